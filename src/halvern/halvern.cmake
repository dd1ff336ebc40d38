# The log tab's behaviour and its browser pane (Windows only), tested under Wine
# without the program's windows.
add_library(tdx_halvern STATIC ${CMAKE_CURRENT_LIST_DIR}/LogTool.cpp
            ${CMAKE_CURRENT_LIST_DIR}/LogBrowserHost.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HVBrowserSite.cpp)
target_include_directories(tdx_halvern PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tdx_halvern PUBLIC tdx_logs_platform tdx_palm tdx_condmgr tdx_winutil tdx_ui
                      ole32 oleaut32 uuid)
