# SPDX-License-Identifier: MIT
# Packages with CPack (cmake --build --preset ... --target package): on Windows a ZIP with
# both programs, a read-me, the interface circuit and the licence; on Linux a Debian package with both programs,
# the desktop entry and its icon.
set(CPACK_PACKAGE_NAME kolvaner)
set(CPACK_PACKAGE_VENDOR "the Kolvaner developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compass heading display on a serial-port I2C bus")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(KOLVANER_MAINTAINER "Kolvaner developers <kolvaner@example.org>")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME kolvaner-${PROJECT_VERSION}-windows-x64)
    # Notepad and every Windows tool read CRLF.
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt README.txt @ONLY
                   NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/interface.svg DESTINATION docs)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KOLVANER_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # The libraries the programs link (Qt 6 Widgets among them), found by dpkg-shlibdeps;
    # Liberation Sans keeps Arial's metrics, so the digits fill Label1 as designed.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
    # Below the summary line, which CPack puts first.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Kolvaner shows the heading of an electronic compass module in large digits,
refreshed twice a second. The PC has no I2C adapter: the program is the bus
master and drives the bus through the serial port's modem-control lines
(RTS = SCL, DTR = SDA out, CTS = SDA in).
.
kolvaner is the window; kolvaner-cli reads the compass, a DS1621-type
thermometer and a one-byte input port from the command line, scans the bus
and checks or clears it. Both run on a simulated bus without hardware.")
    set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kolvaner)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in changelog @ONLY)
    execute_process(COMMAND gzip -n -9 -f -k changelog WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                  ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})
endif()

include(CPack)
