tdx_add_fuzzer(fuzz_logreader SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_logreader.cpp LIBS tdx_logs)
# Seed the smoke run's corpus with a plain and an HTML log.
if(TARGET fuzz_logreader)
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/seeds/logreader/ DESTINATION ${CMAKE_BINARY_DIR}/fuzz-corpus/fuzz_logreader)
endif()
