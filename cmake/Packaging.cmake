# What a Windows user downloads: the help file, built from docs/help, and two
# packages made by CPack from this tree (`cpack` in build/win32, or the
# package.contents test): a portable ZIP and a per-user NSIS installer, with
# SHA256SUMS, a winget manifest set and a Scoop manifest beside them. Only the programs, the help, a readme and the licence
# are shipped: never the stand-in Palm Desktop libraries or test fixtures.
if(NOT WIN32)
  return()
endif()

# ---------------------------------------------------------------- help file
# chmcmd (Free Pascal) compiles the .hhp project; the chm sits beside
# Tandelix.exe, where the Help command looks for it.
find_program(TDX_CHMCMD chmcmd)
set(TDX_HELP_CHM ${CMAKE_BINARY_DIR}/bin/tdhelp.chm)
if(TDX_CHMCMD)
  file(GLOB _help_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
  set(_help_work ${CMAKE_BINARY_DIR}/help)
  add_custom_command(
    OUTPUT ${TDX_HELP_CHM}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_help_work}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/help ${_help_work}
    COMMAND ${CMAKE_COMMAND} -D CHMCMD=${TDX_CHMCMD} -D WORK=${_help_work} -D OUT=${TDX_HELP_CHM}
            -P ${PROJECT_SOURCE_DIR}/cmake/packaging/BuildHelp.cmake
    DEPENDS ${_help_src} ${PROJECT_SOURCE_DIR}/cmake/packaging/BuildHelp.cmake
    COMMENT "Compiling tdhelp.chm"
    VERBATIM)
  add_custom_target(tdhelp ALL DEPENDS ${TDX_HELP_CHM})
else()
  message(STATUS "chmcmd not found: tdhelp.chm is not built and not packaged")
endif()

# The 64-bit test build has the help (its tests open it) but ships nothing.
if(TDX_TEST_BUILD)
  return()
endif()

# ---------------------------------------------------------------- what is shipped
install(TARGETS Tandelix tdlog RUNTIME DESTINATION .)
if(TDX_CHMCMD)
  install(FILES ${TDX_HELP_CHM} DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# The command-line conduit tool joins the packages, and the readme names it,
# once its target exists, wherever in the tree it is defined.
function(_tdx_install_late_tools)
  set(TDX_README_TDCOND "")
  if(TARGET tdcond)
    install(TARGETS tdcond RUNTIME DESTINATION .)
  endif()
  # Asks conduit libraries for Tandelix and tdcond in a process of its own.
  if(TARGET tdcprobe)
    install(TARGETS tdcprobe RUNTIME DESTINATION .)
  endif()
  if(TARGET tdcond)
    set(TDX_README_TDCOND "  tdcond.exe     console tool: conduits from the command line\n                 (run \"tdcond --help\")\n")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/docs/package/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _tdx_install_late_tools)

# ---------------------------------------------------------------- CPack
set(CPACK_PACKAGE_NAME Tandelix)
set(CPACK_PACKAGE_VENDOR "Tandelix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Palm Desktop Synchronization Toolkit")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tandelix)
set(CPACK_PACKAGE_FILE_NAME Tandelix-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/packaging)   # our NSIS.template.in
set(CPACK_NSIS_PACKAGE_NAME Tandelix)
set(CPACK_NSIS_DISPLAY_NAME Tandelix)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/res/tandelix.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/res/tandelix.ico)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/packaging/CPackOptions.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/packaging/Checksums.cmake)
# Named in the winget and Scoop manifests written beside SHA256SUMS: where a
# release's two packages are published ("<version>" stands for the version).
set(TDX_RELEASE_URL "https://tandelix.invalid/releases/<version>" CACHE STRING
    "Address of the folder a release's packages are downloaded from")
set(TDX_HOMEPAGE_URL "https://tandelix.invalid/" CACHE STRING "Address of the product's web page")
set(CPACK_TDX_RELEASE_URL ${TDX_RELEASE_URL})
set(CPACK_TDX_HOMEPAGE_URL ${TDX_HOMEPAGE_URL})
include(CPack)
