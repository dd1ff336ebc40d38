# The log tab's behaviour (Windows only), tested under Wine without a window.
add_library(tdx_halvern STATIC ${CMAKE_CURRENT_LIST_DIR}/LogTool.cpp)
target_include_directories(tdx_halvern PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tdx_halvern PUBLIC tdx_logs_platform tdx_palm tdx_winutil)
