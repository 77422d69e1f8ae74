# Warnings and sanitizers shared by every target of the project.

add_library(vg_compile_options INTERFACE)
target_compile_options(vg_compile_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wconversion -Wsign-conversion -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough
    # Designated initializers leave the other members at their defaults on purpose; GCC 12
    # still warns about them.
    -Wno-missing-field-initializers)
if(VG_WARNINGS_AS_ERRORS)
    target_compile_options(vg_compile_options INTERFACE -Werror)
endif()

if(VG_SANITIZE)
    add_compile_options(-fsanitize=${VG_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${VG_SANITIZE})
endif()

# Fuzz builds instrument every library for coverage; the fuzz targets add libFuzzer's main.
if(VG_BUILD_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VG_BUILD_FUZZERS needs clang (-DCMAKE_CXX_COMPILER=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The Windows programs carry their C++ runtime and winpthread inside, so they need no MinGW DLL.
if(WIN32)
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
