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

if(WIN32)
  # Export, import and undo: the conduit tool's logic, shared by Tandelix and tdcond.
  add_library(tdx_ovsetup STATIC
    ${_setup}/OVSetupSys.cpp
    ${_setup}/OVSetupKeys.cpp
    ${_setup}/OVSetupExport.cpp
    ${_setup}/OVSetupImport.cpp
    ${_setup}/OVSetupUndoImport.cpp
    ${_setup}/OVSetupCli.cpp
    ${_setup}/OVSetupForms.cpp)
  target_link_libraries(tdx_ovsetup PUBLIC tdx_ovsetup_core tdx_ovdoctor tdx_orvello PRIVATE tdx_minizip advapi32)
  target_compile_definitions(tdx_ovsetup PRIVATE TDX_VERSION_TEXT="${PROJECT_VERSION}")
endif()

if(TARGET Tandelix)
  # The two dialogs' windows.
  target_sources(Tandelix PRIVATE ${_setup}/../fmOVExport.cpp ${_setup}/../fmOVImport.cpp)
  target_link_libraries(Tandelix PRIVATE tdx_ovsetup shell32)
endif()
