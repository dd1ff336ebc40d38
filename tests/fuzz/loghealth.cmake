tdx_add_fuzzer(fuzz_loghealth SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_loghealth.cpp LIBS tdx_logs)
# The log reader's seeds: the health builder reads the same logs.
if(TARGET fuzz_loghealth)
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/seeds/logreader/ DESTINATION ${CMAKE_BINARY_DIR}/fuzz-corpus/fuzz_loghealth)
endif()
