# Palm Desktop locator, library bindings and user list (Windows only).
if(WIN32)
  add_library(tdx_palm STATIC ${CMAKE_CURRENT_LIST_DIR}/PalmDesktop.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/SyncGuard.cpp)
  target_link_libraries(tdx_palm PUBLIC tdx_winutil)
endif()
