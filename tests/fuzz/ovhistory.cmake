tdx_add_fuzzer(fuzz_ovhistory SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_ovhistory.cpp LIBS tdx_ovcore)
