tdx_add_fuzzer(fuzz_setupzip SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_setupzip.cpp LIBS tdx_ovsetup_core)
# Seed the smoke run's corpus with a small set-up file.
if(TARGET fuzz_setupzip)
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/seeds/setupzip/ DESTINATION ${CMAKE_BINARY_DIR}/fuzz-corpus/fuzz_setupzip)
endif()
