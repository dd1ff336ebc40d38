tdx_add_fuzzer(fuzz_setupmanifest SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_setupmanifest.cpp LIBS tdx_ovsetup_core)
# Seed the smoke run's corpus with a whole manifest.
if(TARGET fuzz_setupmanifest)
  file(COPY ${CMAKE_CURRENT_LIST_DIR}/seeds/setupmanifest/ DESTINATION ${CMAKE_BINARY_DIR}/fuzz-corpus/fuzz_setupmanifest)
endif()
