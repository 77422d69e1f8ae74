# The Windows build's tests, run by this (Linux) build's CTest under Wine: one prefix made per
# run that trusts the test CAs, the Windows unit tests, and the black-box suite again with the
# Windows program as the program under test. They share one wineserver, and with it the
# registry and the named mutexes, so they run one at a time.
# Included from tests/CMakeLists.txt when VG_WINDOWS_BUILD_DIR is set.

set(vg_wine_prefix ${CMAKE_BINARY_DIR}/wine-tests/prefix)
set(vg_wine_ca_dir ${CMAKE_BINARY_DIR}/wine-tests/ca)
set(vg_wine64 /usr/lib/wine/wine64)

# Makes the test CAs the prefix trusts; the black-box suite's sandboxes issue from the same CA.
add_executable(vg-prefix-roots windows/prefix_roots_main.cpp)
target_link_libraries(vg-prefix-roots PRIVATE vg_test_support vg_sandbox vg_compile_options)
set_target_properties(vg-prefix-roots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

add_test(NAME wine.prefix COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_prefix.sh make
    ${vg_wine_prefix} ${vg_wine_ca_dir} ${VG_WINDOWS_BUILD_DIR} $<TARGET_FILE:vg-prefix-roots>)
add_test(NAME wine.prefix_stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_prefix.sh stop
    ${vg_wine_prefix})
set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine_prefix RUN_SERIAL TRUE
    TIMEOUT 300)
set_tests_properties(wine.prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix RUN_SERIAL TRUE)

# The unit tests, and the Win32 backend against real files, processes and registry keys.
foreach(program IN ITEMS vg_unit_tests vg_platform_tests_win32)
    add_test(NAME wine.${program} COMMAND env -u DISPLAY -u WAYLAND_DISPLAY
        WINEPREFIX=${vg_wine_prefix} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
        ${vg_wine64} ${VG_WINDOWS_BUILD_DIR}/tests/${program}.exe)
    set_tests_properties(wine.${program} PROPERTIES FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE)
endforeach()

# The same suite binary, its tests found once more under the prefix "wine.". The program under
# test is chosen by the environment; the target itself gives every Wine run its prefix, locale
# and debug channels.
gtest_discover_tests(vg_blackbox_tests TEST_PREFIX "wine." TEST_LIST vg_wine_blackbox_tests
    DISCOVERY_TIMEOUT 60)
# gtest_discover_tests hands its PROPERTIES to the tests it finds at build time as a flat list,
# which a list-valued ENVIRONMENT does not survive; a file that CTest reads after the found tests
# gives them their properties instead.
set(vg_wine_blackbox_environment
    VG_TEST_TARGET=windows
    VG_WINDOWS_BUILD_DIR=${VG_WINDOWS_BUILD_DIR}
    VG_WINE_PREFIX=${vg_wine_prefix}
    VG_WINE_CA_DIR=${vg_wine_ca_dir})
set(vg_wine_blackbox_properties ${CMAKE_CURRENT_BINARY_DIR}/vg_wine_blackbox_properties.cmake)
file(WRITE ${vg_wine_blackbox_properties}
    "if(vg_wine_blackbox_tests)\n"
    "  set_tests_properties(\${vg_wine_blackbox_tests} PROPERTIES\n"
    "    ENVIRONMENT \"${vg_wine_blackbox_environment}\"\n"
    "    FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE)\n"
    "endif()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${vg_wine_blackbox_properties})
include(${CMAKE_CURRENT_SOURCE_DIR}/windows/InstallerTests.cmake)
