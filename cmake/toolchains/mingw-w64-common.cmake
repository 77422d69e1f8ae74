# What both MinGW-w64 toolchains share; the including file sets CMAKE_SYSTEM_PROCESSOR first. The
# -posix compilers have std::thread and std::mutex; the -win32 ones of GCC 12 do not.
set(CMAKE_SYSTEM_NAME Windows)
set(VG_MINGW_TRIPLET ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VG_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VG_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VG_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW-w64 tree only; the build machine's own never mix in.
set(CMAKE_FIND_ROOT_PATH /usr/${VG_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
