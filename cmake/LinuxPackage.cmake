# The Linux install rules and the .deb (CPack).
#
# `cmake --install <build>` installs the program, its desktop entry (the handler of the
# varnugamesstarter:// scheme) and its manual page; `cpack -G DEB` in the build directory makes
# <build>/packages/varnugamesstarter_<version>_<arch>.deb from the same rules. Only the "starter"
# install component goes into the package, so that no test program, tool or sandbox can reach it.

include(GNUInstallDirs)

set(VG_PACKAGE_MAINTAINER "Varnugames <support@varnugames.com>" CACHE STRING
    "Maintainer field of the Linux package")
set(VG_PACKAGE_HOMEPAGE "https://www.varnugames.com/" CACHE STRING
    "Homepage field of the Linux package")

set(vg_packaging_source ${PROJECT_SOURCE_DIR}/packaging/linux)
set(vg_packaging_binary ${CMAKE_BINARY_DIR}/packaging/linux)
set(VG_INSTALL_COMPONENT starter)

# The manual page, compressed as Debian keeps manual pages: gzip -9 without the file's name and
# time, so that the same source always gives the same package. Plain when there is no gzip.
find_program(VG_GZIP gzip)
set(vg_man_page_source ${vg_packaging_source}/varnugamesstarter.1)
if(VG_GZIP)
    set(vg_man_page ${vg_packaging_binary}/varnugamesstarter.1.gz)
    add_custom_command(OUTPUT ${vg_man_page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${vg_packaging_binary}
        COMMAND ${VG_GZIP} -9 -n -c ${vg_man_page_source} > ${vg_man_page}.partial
        COMMAND ${CMAKE_COMMAND} -E rename ${vg_man_page}.partial ${vg_man_page}
        DEPENDS ${vg_man_page_source}
        COMMENT "Compressing the manual page"
        VERBATIM)
    add_custom_target(varnugamesstarter-man-page ALL DEPENDS ${vg_man_page})
    # Whoever builds the program can package it.
    add_dependencies(varnugamesstarter varnugamesstarter-man-page)
else()
    set(vg_man_page ${vg_man_page_source})
endif()

install(TARGETS varnugamesstarter
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${VG_INSTALL_COMPONENT})
install(FILES ${vg_packaging_source}/varnugamesstarter.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${VG_INSTALL_COMPONENT})
install(FILES ${vg_man_page}
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${VG_INSTALL_COMPONENT})

# The maintainer scripts: after installing and after removing, the desktop's scheme handlers
# are looked up again.
foreach(script IN ITEMS postinst postrm)
    configure_file(${vg_packaging_source}/refresh-desktop-database
        ${vg_packaging_binary}/${script} COPYONLY)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnugamesstarter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${VG_VERSION_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${VG_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "starter for Varnugames games, opened by web pages")
set(CPACK_PACKAGE_DESCRIPTION [[
Varnugames Starter handles the varnugamesstarter:// links of the publisher's web
pages. For the game a link names, it fetches the game's configuration from the
publisher's CDN, installs the game when it is missing, restores missing launcher
files, checks the code signature of the game's launcher and starts it in the
game's Wine prefix. The same links register this PC with the publisher's
security centre or send a report of its hardware.

The program runs only when a link opens it; it has no window of its own and
shows its notices with zenity, or on standard error without a display.]])
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};${VG_INSTALL_COMPONENT};/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VG_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VG_PACKAGE_HOMEPAGE}")
# Games' launchers are Windows programs, started through Wine; notices need zenity on a desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, zenity")
# The transport sets options that libcurl has since 7.85 (CURLOPT_PROTOCOLS_STR); an older one
# would refuse every request, while the symbols dpkg-shlibdeps sees would let it through.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0)")
find_program(VG_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VG_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    # The other libraries the program links, as Debian 12 names their packages.
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
        ", libc6 (>= 2.34), libssl3 (>= 3.0.0), libstdc++6 (>= 12), libgcc-s1 (>= 3.0)")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${vg_packaging_binary}/postinst ${vg_packaging_binary}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# `make package_source` has no use here; keep build trees and the repository's metadata out of it.
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
