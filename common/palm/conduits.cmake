# Conduit records and record files (portable).
add_library(tdx_condrec STATIC ${CMAKE_CURRENT_LIST_DIR}/CondRecord.cpp)
target_link_libraries(tdx_condrec PUBLIC tdx_misc)

# The conduit manager, libraries and record operations (Windows).
if(WIN32)
  add_library(tdx_condmgr STATIC ${CMAKE_CURRENT_LIST_DIR}/CondMgr.cpp ${CMAKE_CURRENT_LIST_DIR}/CondAsk.cpp
              ${CMAKE_CURRENT_LIST_DIR}/CondKey.cpp)
  target_link_libraries(tdx_condmgr PUBLIC tdx_condrec tdx_condanswer tdx_palm tdx_winutil)
endif()

# Conduit libraries' answers and their cache (portable).
add_library(tdx_condanswer STATIC ${CMAKE_CURRENT_LIST_DIR}/CondAnswer.cpp)
target_link_libraries(tdx_condanswer PUBLIC tdx_misc)
