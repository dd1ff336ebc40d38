tdx_add_fuzzer(fuzz_condrecord SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_condrecord.cpp LIBS tdx_condrec)
