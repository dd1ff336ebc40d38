tdx_add_fuzzer(fuzz_seedspec SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_seedspec.cpp LIBS pd_seedspec)
