# The program (Windows only). The shell's logic lives in a library the tests
# link; the windows and the entry make the executable.
set(_src ${CMAKE_CURRENT_LIST_DIR})

add_library(tdx_shell STATIC
  ${_src}/shell/Settings.cpp
  ${_src}/shell/WinPorts.cpp)
target_include_directories(tdx_shell PUBLIC ${_src})
target_link_libraries(tdx_shell PUBLIC tdx_shellcore tdx_winutil tdx_misc)

# The conduit tab's behaviour (Windows only), tested under Wine without the
# program's windows; the console tool is built on it too.
add_library(tdx_orvello STATIC
  ${_src}/orvello/ConduitTool.cpp
  ${_src}/orvello/OVLog.cpp
  ${_src}/orvello/OVCondProp.cpp
  ${_src}/orvello/OVBackupSets.cpp
  ${_src}/orvello/OVReport.cpp
  ${_src}/orvello/WinClock.cpp)
target_include_directories(tdx_orvello PUBLIC ${_src})
target_link_libraries(tdx_orvello PUBLIC tdx_ovcore tdx_condmgr tdx_shell tdx_winutil)

add_library(tdx_ui STATIC
  ${_src}/ui/TxDialog.cpp
  ${_src}/ui/TxWindow.cpp
  ${_src}/ui/TabPage.cpp
  ${_src}/ui/Layout.cpp
  ${_src}/ui/Dpi.cpp
  ${_src}/ui/Theme.cpp
  ${_src}/ui/Pictures.cpp
  ${_src}/ui/Access.cpp)
target_include_directories(tdx_ui PUBLIC ${_src})
target_link_libraries(tdx_ui PUBLIC tdx_misc comctl32 gdi32 oleacc ole32 oleaut32 uuid)

# The registration doctor and its repairs, shared by the program and tdcond.
add_library(tdx_ovdoctor STATIC
  ${_src}/orvello/OVDoctor.cpp
  ${_src}/orvello/OVRepair.cpp
  ${_src}/orvello/OVLogHealth.cpp
  ${_src}/orvello/OVOutput.cpp)
target_include_directories(tdx_ovdoctor PUBLIC ${_src})
target_link_libraries(tdx_ovdoctor PUBLIC tdx_orvello tdx_logs tdx_palm)

# "Check HotSync Set-up...": the doctor's findings and repairs in a dialog.
add_library(tdx_ovcheck STATIC ${_src}/orvello/OVCheck.cpp)
target_include_directories(tdx_ovcheck PUBLIC ${_src})
target_link_libraries(tdx_ovcheck PUBLIC tdx_ovdoctor tdx_orvello)

include(${_src}/halvern/halvern.cmake)
include(${_src}/tremwick/tremwick.cmake)

add_executable(Tandelix WIN32
  ${_src}/main.cpp
  ${_src}/fmMain.cpp
  ${_src}/fmInit.cpp
  ${_src}/fmAbout.cpp
  ${_src}/orvello/OrvelloPage.cpp
  ${_src}/orvello/fmOVCondProp.cpp
  ${_src}/orvello/fmOVSets.cpp
  ${_src}/orvello/fmOVCheck.cpp
  ${_src}/tremwick/TremwickPage.cpp
  ${_src}/tremwick/fmTWUserInfo.cpp
  ${_src}/halvern/HalvernPage.cpp
  ${_src}/res/tandelix.rc)
target_link_libraries(Tandelix PRIVATE tdx_shell tdx_ui tdx_ovcheck tdx_orvello tdx_halvern tdx_tremwick tdx_palm
                      tdx_winutil comctl32 comdlg32)
