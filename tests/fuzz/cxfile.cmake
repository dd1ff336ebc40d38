tdx_add_fuzzer(fuzz_cxfile SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_cxfile.cpp LIBS tdx_misc)
