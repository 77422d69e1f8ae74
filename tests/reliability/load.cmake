# Load tests: game starts of an installed game in a row against one sandbox. CI runs a few
# (VG_LOAD_RUNS, 3 by default); scripts/load-test runs a hundred by hand.

add_executable(vg_load_tests ${CMAKE_CURRENT_SOURCE_DIR}/load_test.cpp)
target_link_libraries(vg_load_tests PRIVATE vg_blackbox_fixture GTest::gtest_main
    vg_compile_options)
gtest_discover_tests(vg_load_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

# Two runs of the Windows program under Wine, in the prefix the black-box suite shares.
if(VG_WINDOWS_BUILD_DIR)
    add_test(NAME wine.load.GameStartsInARow COMMAND vg_load_tests
        --gtest_filter=LoadTest.GameStartsInARowLoseNothingAndLeaveNothing)
    set_tests_properties(wine.load.GameStartsInARow PROPERTIES
        ENVIRONMENT "${vg_wine_blackbox_environment};VG_LOAD_RUNS=2"
        FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE TIMEOUT 300)
endif()
