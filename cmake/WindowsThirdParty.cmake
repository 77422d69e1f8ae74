# The libraries the Windows build takes from Debian's packages: nlohmann/json is header-only, and
# GoogleTest is built from Debian's googletest sources with the cross compiler. The build
# machine's /usr/include never joins the cross compiler's include path; only copies of the
# headers the build needs do.

set(VG_NLOHMANN_JSON_HEADERS /usr/include/nlohmann)
if(NOT EXISTS ${VG_NLOHMANN_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json headers not found (Debian package nlohmann-json3-dev)")
endif()
file(COPY ${VG_NLOHMANN_JSON_HEADERS} DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
add_library(vg_nlohmann_json INTERFACE)
target_include_directories(vg_nlohmann_json SYSTEM INTERFACE
    ${CMAKE_BINARY_DIR}/third_party/include)
add_library(nlohmann_json::nlohmann_json ALIAS vg_nlohmann_json)

if(VG_BUILD_TESTS)
    set(VG_GOOGLETEST_SOURCE /usr/src/googletest)
    if(NOT EXISTS ${VG_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest sources not found (Debian package googletest)")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Gives GTest::gtest and GTest::gtest_main, as the installed package would.
    add_subdirectory(${VG_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
