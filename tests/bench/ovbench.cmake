# The conduit tab with many conduits, under Wine (run by hand, never a test).
if(WIN32)
  add_executable(ovbench ${CMAKE_CURRENT_LIST_DIR}/ovbench.cpp)
  target_link_libraries(ovbench PRIVATE tdx_orvello tdx_testsupport)
  add_dependencies(ovbench palmdesk_standins cond_plain tdcprobe)
endif()
