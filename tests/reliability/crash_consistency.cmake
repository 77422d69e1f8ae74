# Crash consistency: the program killed at random moments of its downloads and of its
# self-update, and the next run after each kill. CI runs a few kills of each kind (the default
# of VG_CRASH_RUNS); scripts/crash-series runs long series by hand.
# Included from tests/reliability/CMakeLists.txt.

add_executable(vg_crash_consistency_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/crash_consistency_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/crash_points.cpp
)
target_link_libraries(vg_crash_consistency_tests PRIVATE vg_blackbox_fixture GTest::gtest_main
    vg_compile_options)
gtest_discover_tests(vg_crash_consistency_tests TEST_PREFIX "crash_consistency."
    DISCOVERY_TIMEOUT 60)

# A sample under Wine: the Windows program killed during its download and during its swap, in
# the prefix the Wine black-box tests share (one at a time, like them).
if(VG_WINDOWS_BUILD_DIR)
    foreach(case IN ITEMS
            Downloads/DownloadCrashTest.LeavesNoPartialFileAndTheNextRunRecovers/launcherMidDownload
            Swap/SwapCrashTest.KeepsARunnableProgramAndTheNextRunRecovers/afterDownload)
        string(REGEX REPLACE "^.*/" "" short ${case})
        set(name wine.crash_consistency.${short})
        add_test(NAME ${name}
            COMMAND $<TARGET_FILE:vg_crash_consistency_tests> --gtest_filter=${case})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${vg_wine_blackbox_environment};VG_CRASH_RUNS=1"
            FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE)
    endforeach()
endif()
