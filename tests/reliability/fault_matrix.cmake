# The fault matrix: every network step of the built program against every fault the sandbox can
# make. CTest finds the representative subset (instantiated as "FaultMatrix"); the rest
# ("FaultMatrixFull") runs by hand through scripts/fault-matrix, with VG_FULL_MATRIX=1.

add_executable(vg_fault_matrix_tests ${CMAKE_CURRENT_SOURCE_DIR}/fault_matrix_test.cpp)
target_link_libraries(vg_fault_matrix_tests PRIVATE vg_blackbox_fixture GTest::gtest_main
    vg_compile_options)
gtest_discover_tests(vg_fault_matrix_tests TEST_FILTER "FaultMatrix/*" NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60)

# A few cases again with the Windows program under Wine, in the Wine black-box suite's prefix,
# environment and order.
if(VG_WINDOWS_BUILD_DIR)
    set(vg_wine_fault_matrix_sample ServiceListRefused LauncherDropped CheckFileDroppedOnce
        TelemetryTimeOut SecurityCentreHtmlPage)
    list(TRANSFORM vg_wine_fault_matrix_sample PREPEND "FaultMatrix/FaultMatrixTest.*/")
    list(JOIN vg_wine_fault_matrix_sample ":" vg_wine_fault_matrix_filter)
    gtest_discover_tests(vg_fault_matrix_tests TEST_PREFIX "wine."
        TEST_FILTER "${vg_wine_fault_matrix_filter}"
        TEST_LIST vg_wine_fault_matrix_tests NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60)
    set(vg_wine_fault_matrix_properties
        ${CMAKE_CURRENT_BINARY_DIR}/vg_wine_fault_matrix_properties.cmake)
    file(WRITE ${vg_wine_fault_matrix_properties}
        "if(vg_wine_fault_matrix_tests)\n"
        "  set_tests_properties(\${vg_wine_fault_matrix_tests} PROPERTIES\n"
        "    ENVIRONMENT \"${vg_wine_blackbox_environment}\"\n"
        "    FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${vg_wine_fault_matrix_properties})
endif()
