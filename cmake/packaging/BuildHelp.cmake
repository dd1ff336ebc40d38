# cmake -D CHMCMD=... -D WORK=<copy of docs/help> -D OUT=<tdhelp.chm> -P BuildHelp.cmake
# Compiles the help project. chmcmd only warns about a link to a missing page
# and still succeeds: a warning fails the build here, so no broken link ships.
cmake_policy(VERSION 3.25)
execute_process(COMMAND ${CHMCMD} tdhelp.hhp WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REGEX MATCHALL "(Warning|Error)[^\n]*" problems "${out}")
if(NOT rc EQUAL 0 OR problems OR NOT EXISTS ${WORK}/tdhelp.chm)
  message(FATAL_ERROR "chmcmd failed (status ${rc}):\n${out}")
endif()
file(COPY_FILE ${WORK}/tdhelp.chm ${OUT})
