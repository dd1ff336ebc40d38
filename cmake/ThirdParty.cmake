# The two libraries the set-up file (export and import of a HotSync set-up)
# is made with; DESIGN.md says why these.
#
# ZIP: minizip, built here for every tree from the sources of Debian's source
# package "minizip" (zlib's contrib/minizip with Debian's fixes), which the
# set-up commands fetch once into TDX_DEPS_DIR; over Debian's MinGW zlib
# (libz-mingw-w64-dev, linked statically) or the native one.
# JSON: nlohmann/json, header-only (nlohmann-json3-dev).
set(TDX_DEPS_DIR ${PROJECT_SOURCE_DIR}/build/deps CACHE PATH
    "Sources the set-up commands fetch (minizip/)")
set(_tdx_mz ${TDX_DEPS_DIR}/minizip)
if(NOT EXISTS ${_tdx_mz}/unzip.c OR NOT EXISTS ${_tdx_mz}/zip.c)
  message(FATAL_ERROR
    "The ZIP library's sources are not in ${_tdx_mz}. scripts/test and scripts/demo fetch "
    "them (apt-get source minizip); or pass -DTDX_DEPS_DIR=<a directory holding minizip/>.")
endif()

if(WIN32 AND NOT MSVC)
  # The static library, never the import one: no zlib DLL sits beside the programs.
  find_library(TDX_ZLIB_STATIC NAMES libz.a REQUIRED)
  find_path(TDX_ZLIB_INCLUDE zlib.h REQUIRED)
  add_library(tdx_zlib INTERFACE)
  target_include_directories(tdx_zlib SYSTEM INTERFACE ${TDX_ZLIB_INCLUDE})
  target_link_libraries(tdx_zlib INTERFACE ${TDX_ZLIB_STATIC})
else()
  find_package(ZLIB REQUIRED)
  add_library(tdx_zlib INTERFACE)
  target_link_libraries(tdx_zlib INTERFACE ZLIB::ZLIB)
endif()

add_library(tdx_minizip STATIC ${_tdx_mz}/ioapi.c ${_tdx_mz}/zip.c ${_tdx_mz}/unzip.c)
target_include_directories(tdx_minizip SYSTEM PUBLIC ${_tdx_mz})
# No ZIP encryption: an encrypted entry is refused, never decrypted.
target_compile_definitions(tdx_minizip PUBLIC NOCRYPT NOUNCRYPT)
if(NOT MSVC)
  target_compile_options(tdx_minizip PRIVATE -w)
endif()
target_link_libraries(tdx_minizip PUBLIC tdx_zlib)

# The JSON headers are copied into the tree, so a cross build never has the
# host's /usr/include on its include path.
find_path(TDX_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TDX_JSON_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev.")
endif()
file(COPY ${TDX_JSON_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/deps/json/include)
add_library(tdx_json INTERFACE)
target_include_directories(tdx_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/deps/json/include)
