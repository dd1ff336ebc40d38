# Moving a HotSync set-up to another PC: export, import with a preview, undo.
# The file format's pieces are portable (tested and fuzzed natively); the
# tool logic and the dialogs are Windows only.
set(_setup ${CMAKE_CURRENT_LIST_DIR})

add_library(tdx_ovsetup_core STATIC
  ${_setup}/OVSetupPaths.cpp
  ${_setup}/OVSetupManifest.cpp
  ${_setup}/OVSetupZip.cpp
  ${_setup}/OVSetupUndo.cpp)
target_include_directories(tdx_ovsetup_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tdx_ovsetup_core PUBLIC tdx_misc PRIVATE tdx_minizip tdx_json)
