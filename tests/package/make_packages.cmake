# cmake -D CPACK=<cpack> -D BUILD=<win32 tree> -D NAME=Tandelix-<version>-win32
#       -D EXPECT=<files the package folder must hold> -P make_packages.cmake
# Makes both packages afresh, then checks that the ZIP holds one folder with
# exactly the expected files (no stand-in libraries, no test programs), that
# SHA256SUMS names both packages with their real hashes, and unpacks the ZIP
# into packages/unpacked for the tests that run it.
cmake_policy(VERSION 3.25)
set(dir ${BUILD}/packages)
file(REMOVE_RECURSE ${dir})
execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake WORKING_DIRECTORY ${BUILD}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()

set(problems "")
set(zip ${dir}/${NAME}.zip)
set(setup ${dir}/${NAME}-setup.exe)
foreach(f ${zip} ${setup} ${dir}/SHA256SUMS)
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "cpack made no ${f}:\n${out}")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
string(REPLACE "\n" ";" listing "${listing}")
list(FILTER listing EXCLUDE REGEX "(^$|/$)")
set(want "")
foreach(f IN LISTS EXPECT)
  list(APPEND want "${NAME}/${f}")
endforeach()
list(SORT listing)
list(SORT want)
if(NOT listing STREQUAL want)
  string(APPEND problems "the ZIP holds\n  ${listing}\ninstead of\n  ${want}\n")
endif()

file(STRINGS ${dir}/SHA256SUMS sums)
list(LENGTH sums n)
if(NOT n EQUAL 2)
  string(APPEND problems "SHA256SUMS has ${n} lines, not 2: ${sums}\n")
endif()
foreach(f ${zip} ${setup})
  get_filename_component(name ${f} NAME)
  file(SHA256 ${f} hash)
  if(NOT "${hash}  ${name}" IN_LIST sums)
    string(APPEND problems "SHA256SUMS lacks \"${hash}  ${name}\"\n")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
file(ARCHIVE_EXTRACT INPUT ${zip} DESTINATION ${dir}/unpacked)
file(SIZE ${zip} zsize)
file(SIZE ${setup} ssize)
message(STATUS "${NAME}.zip ${zsize} bytes, ${NAME}-setup.exe ${ssize} bytes")
