# Cross build for 64-bit Windows with MinGW-w64: the test build for hosts that
# cannot run 32-bit programs. It is never shipped: the product stays 32-bit,
# since Palm Desktop's libraries and every conduit are 32-bit DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TDX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TDX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TDX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TDX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TDX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
