# Conduit health of a long history (run by hand, never a test).
add_executable(healthbench ${CMAKE_CURRENT_LIST_DIR}/healthbench.cpp ${CMAKE_CURRENT_LIST_DIR}/LogGen.cpp)
target_include_directories(healthbench PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(healthbench PRIVATE tdx_logs)
