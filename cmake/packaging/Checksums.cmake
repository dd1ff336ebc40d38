# Run by cpack after each generator: SHA256SUMS beside the packages, in the
# format of sha256sum, one line per package of this version. The staged
# files are hashed (cpack copies them out afterwards, unchanged).
cmake_policy(VERSION 3.25)
set(sums ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS)
set(prefix "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-win32")
set(lines "")
set(fresh "")
foreach(f IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${f} NAME)
  file(SHA256 ${f} hash)
  list(APPEND lines "${hash}  ${name}")
  list(APPEND fresh ${name})
endforeach()
# Keep the other generator's line while its package is still there.
if(EXISTS ${sums})
  file(STRINGS ${sums} old)
  foreach(line IN LISTS old)
    string(REGEX REPLACE "^[0-9a-f]+  " "" name "${line}")
    if(NOT name IN_LIST fresh AND name MATCHES "^${prefix}" AND EXISTS ${CPACK_PACKAGE_DIRECTORY}/${name})
      list(APPEND lines "${line}")
    endif()
  endforeach()
endif()
list(SORT lines COMPARE STRING)
list(JOIN lines "\n" text)
file(WRITE ${sums} "${text}\n")

# The package managers' manifests beside it, naming the packages just hashed:
# a winget manifest set for the installer (winget/) and a Scoop manifest for
# the ZIP (tandelix.json). The Scoop manifest copies the files the program
# writes beside itself to Scoop's persist folder before an update or an
# uninstall and back after an install: Scoop's own "persist" links files, and
# the program replaces some of them whole, which would leave the link behind.
string(REPLACE "<version>" "${CPACK_PACKAGE_VERSION}" url "${CPACK_TDX_RELEASE_URL}")
set(TDX_KEPT_FILES "'tessary.ini','OVRes.dat','ovlog.dat','ovset*.bak','ovlog.html','condrpt.html','result.html'")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([0-9a-f]+)  (.+)$")
    continue()
  endif()
  set(hash ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  if(name STREQUAL "${prefix}-setup.exe")
    string(TOUPPER ${hash} TDX_SETUP_SHA256)
    set(TDX_SETUP_URL "${url}/${name}")
    foreach(m Tandelix.Tandelix Tandelix.Tandelix.installer Tandelix.Tandelix.locale.en-US)
      configure_file(${CPACK_MODULE_PATH}/winget/${m}.yaml.in ${CPACK_PACKAGE_DIRECTORY}/winget/${m}.yaml
                     @ONLY NEWLINE_STYLE UNIX)
    endforeach()
  elseif(name STREQUAL "${prefix}.zip")
    set(TDX_ZIP_SHA256 ${hash})
    set(TDX_ZIP_URL "${url}/${name}")
    set(TDX_ZIP_DIR ${prefix})
    configure_file(${CPACK_MODULE_PATH}/scoop/tandelix.json.in ${CPACK_PACKAGE_DIRECTORY}/tandelix.json
                   @ONLY NEWLINE_STYLE UNIX)
  endif()
endforeach()
