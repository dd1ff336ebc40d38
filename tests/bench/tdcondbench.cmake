# tdcond.exe as a whole process with many conduits, under Wine (run by hand,
# never a test: it writes the prefix's own Palm Desktop key).
if(WIN32)
  add_executable(tdcondbench ${CMAKE_CURRENT_LIST_DIR}/tdcondbench.cpp)
  target_link_libraries(tdcondbench PRIVATE tdx_orvello tdx_testsupport)
  add_dependencies(tdcondbench tdcond palmdesk_standins cond_plain)
endif()
