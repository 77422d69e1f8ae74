# The backend tests of the Win32 layer, run under Wine against real files, processes, version
# resources, the registry and the code pages: the Linux build's backend test files where their
# cases are the platform's contract, with the Windows answers where Windows differs. The recorder
# beside them stands in for a running launcher; its path is given in Wine's Z: form, the drive
# that reaches the build machine's own folders.

add_executable(vg_platform_tests_win32
    ../net/create_parent_directories_test.cpp
    ../net/terminate_process_by_file_name_test.cpp
    ../platform/code_page_test.cpp
    ../platform/file_system_test.cpp
    ../platform/file_version_info_test.cpp
    ../platform/named_mutex_test.cpp
    ../platform/program_path_test.cpp
    ../platform/registry_test.cpp
    ../support/child_process.cpp
    ../support/child_process_win32.cpp
    ../support/pe_writer.cpp
    ../support/temp_dir.cpp
)
target_include_directories(vg_platform_tests_win32 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/..)
target_link_libraries(vg_platform_tests_win32 PRIVATE vg_core vg_version_block_writer
    GTest::gtest_main vg_compile_options)
if(CMAKE_HOST_WIN32)
    set(vg_recorder_path "$<TARGET_FILE:vg-test-recorder>")
else()
    set(vg_recorder_path "Z:$<TARGET_FILE:vg-test-recorder>")
endif()
target_compile_definitions(vg_platform_tests_win32 PRIVATE
    VG_TEST_RECORDER="${vg_recorder_path}")
add_dependencies(vg_platform_tests_win32 vg-test-recorder)
set_target_properties(vg_platform_tests_win32 PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
