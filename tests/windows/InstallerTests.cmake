# The Windows installer under Wine: the x86_64 build's installer (made by that build's ALL)
# installs silently into the shared prefix, a link opened through the shell reaches the installed
# program and a publisher sandbox, and the silent uninstall takes everything away.
# Included at the end of WineTests.cmake, whose prefix, CA folder and environment it shares.

set(vg_windows_installer_file
    ${VG_WINDOWS_BUILD_DIR}/packages/VarnugamesStarter-Setup-${VG_PRODUCT_VERSION}-x64.exe)

# The installer test, on the black-box suite's fixture.
add_executable(vg_installer_tests windows/installer_test.cpp)
target_compile_definitions(vg_installer_tests PRIVATE
    VG_WINDOWS_INSTALLER="${vg_windows_installer_file}")
target_link_libraries(vg_installer_tests PRIVATE vg_blackbox_fixture GTest::gtest_main
    vg_compile_options)
set_target_properties(vg_installer_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY
    ${CMAKE_BINARY_DIR}/tests)

add_test(NAME wine.installer COMMAND vg_installer_tests)
set_tests_properties(wine.installer PROPERTIES
    ENVIRONMENT "${vg_wine_blackbox_environment}"
    FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE
    LABELS "packaging;wine"
    TIMEOUT 120)
