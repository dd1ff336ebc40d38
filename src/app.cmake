# The program (Windows only).
add_executable(Tandelix WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(Tandelix PRIVATE tdx_winutil tdx_palm comctl32)
