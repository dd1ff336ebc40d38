# Cross build for 32-bit Windows with MinGW-w64 (posix threads variant).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TDX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TDX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TDX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TDX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TDX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests run under Wine through a wrapper that sets up the prefix of this build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
