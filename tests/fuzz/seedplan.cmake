tdx_add_fuzzer(fuzz_seedplan SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_seedplan.cpp LIBS pd_seedplan)
