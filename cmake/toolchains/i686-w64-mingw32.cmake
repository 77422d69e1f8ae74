# Cross-compiles the shipped 32-bit program with MinGW-w64 (Debian's i686-w64-mingw32 packages).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
