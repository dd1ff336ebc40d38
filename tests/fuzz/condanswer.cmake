tdx_add_fuzzer(fuzz_condanswer SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_condanswer.cpp LIBS tdx_condanswer)
