# The per-user sync tab's behaviour (Windows only), tested under Wine without
# the program's windows.
add_library(tdx_tremwick STATIC ${CMAKE_CURRENT_LIST_DIR}/TWTool.cpp)
target_include_directories(tdx_tremwick PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tdx_tremwick PUBLIC tdx_condmgr tdx_palm tdx_shellcore)
