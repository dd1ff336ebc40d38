# HotSync log reading throughput and memory (run by hand, never a test).
add_executable(logbench ${CMAKE_CURRENT_LIST_DIR}/logbench.cpp ${CMAKE_CURRENT_LIST_DIR}/LogGen.cpp)
target_include_directories(logbench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(logbench PRIVATE tdx_logs)
if(WIN32)
  target_link_libraries(logbench PRIVATE psapi)
endif()
