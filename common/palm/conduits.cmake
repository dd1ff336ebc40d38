# Conduit records and record files (portable).
add_library(tdx_condrec STATIC ${CMAKE_CURRENT_LIST_DIR}/CondRecord.cpp)
target_link_libraries(tdx_condrec PUBLIC tdx_misc)
