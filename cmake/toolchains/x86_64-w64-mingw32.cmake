# Cross-compiles the 64-bit program, which the tests run under Wine, with MinGW-w64 (Debian's
# x86_64-w64-mingw32 packages).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
