# Export and import of a HotSync set-up through tdcond.exe under Wine, with
# many conduits or a large user folder (run by hand, never a test: it writes
# the prefix's own Palm Desktop key).
if(WIN32)
  add_executable(setupbench ${CMAKE_CURRENT_LIST_DIR}/setupbench.cpp)
  target_link_libraries(setupbench PRIVATE tdx_testsupport tdx_palm)
  add_dependencies(setupbench tdcond tdcprobe palmdesk_standins cond_plain)
endif()
