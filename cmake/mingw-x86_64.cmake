# Cross build for 64-bit Windows with MinGW-w64: the test build for hosts that
# cannot run 32-bit programs. It is never shipped: the product stays 32-bit,
# since Palm Desktop's libraries and every conduit are 32-bit DLLs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TDX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
