# The Windows installer (NSIS): packaging/windows/varnugamesstarter.nsi packs the built program
# into <build>/packages/VarnugamesStarter-Setup-<version>-<x86|x64>.exe, an installer for the
# toolchain's processor (the shipped i686 program, or the x86_64 one the tests run under Wine).

find_program(VG_MAKENSIS makensis)
if(NOT VG_MAKENSIS)
    message(FATAL_ERROR "makensis was not found: the Windows build makes its installer with NSIS "
        "(Debian's package nsis, which scripts/install-deps installs), or set VG_MAKENSIS")
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(vg_installer_target x86-unicode)
    set(vg_installer_arch x86)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(vg_installer_target amd64-unicode)
    set(vg_installer_arch x64)
else()
    message(FATAL_ERROR "No Windows installer for the processor '${CMAKE_SYSTEM_PROCESSOR}'")
endif()

set(vg_installer_script ${PROJECT_SOURCE_DIR}/packaging/windows/varnugamesstarter.nsi)
set(vg_installer_icon ${PROJECT_SOURCE_DIR}/src/platform/win32/resources/varnugames_starter.ico)
set(vg_installer_name VarnugamesStarter-Setup-${VG_PRODUCT_VERSION}-${vg_installer_arch}.exe)
set(VG_WINDOWS_INSTALLER ${CMAKE_BINARY_DIR}/packages/${vg_installer_name})
set(vg_makensis_options -V2)
if(VG_WARNINGS_AS_ERRORS)
    list(APPEND vg_makensis_options -WX)
endif()

# makensis writes beside the installer, which takes its name only when it is whole.
add_custom_command(OUTPUT ${VG_WINDOWS_INSTALLER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packages
    COMMAND ${VG_MAKENSIS} ${vg_makensis_options}
        -DVG_PROGRAM=$<TARGET_FILE:varnugamesstarter>
        -DVG_PRODUCT_VERSION=${VG_PRODUCT_VERSION}
        -DVG_OUTPUT_FILE=${VG_WINDOWS_INSTALLER}.partial
        -DVG_TARGET=${vg_installer_target}
        -DVG_PUBLISHER=${VG_VERSION_COMPANY_NAME}
        -DVG_PRODUCT_NAME=${VG_VERSION_PRODUCT_NAME}
        -DVG_COPYRIGHT=${VG_VERSION_LEGAL_COPYRIGHT}
        -DVG_ICON=${vg_installer_icon}
        ${vg_installer_script}
    COMMAND ${CMAKE_COMMAND} -E rename ${VG_WINDOWS_INSTALLER}.partial ${VG_WINDOWS_INSTALLER}
    DEPENDS varnugamesstarter ${vg_installer_script} ${vg_installer_icon}
    COMMENT "Making the Windows installer ${VG_WINDOWS_INSTALLER}"
    VERBATIM)
add_custom_target(vg_windows_installer ALL DEPENDS ${VG_WINDOWS_INSTALLER})
