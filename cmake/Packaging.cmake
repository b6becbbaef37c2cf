# Installs what a desktop system expects beside the program (AppStream data, manual page,
# copyright) and sets up CPack for a Debian package: cpack -G DEB in the build folder.

set(VANTOR_APPSTREAM_ID org.vantorlcd.VantorLCD)
set(VANTOR_PACKAGE_MAINTAINER "Vantor LCD developers <vantorlcd@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# The manual page and the changelog go in compressed, without a timestamp (-n), so that the
# same sources give the same package.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/doc)
configure_file(${PROJECT_SOURCE_DIR}/resources/vantorlcd.1.in ${PROJECT_BINARY_DIR}/man/vantorlcd.1 @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/man/vantorlcd.1.gz
  COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/man/vantorlcd.1 > ${PROJECT_BINARY_DIR}/man/vantorlcd.1.gz
  DEPENDS ${PROJECT_BINARY_DIR}/man/vantorlcd.1
  VERBATIM)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/resources/changelog > ${PROJECT_BINARY_DIR}/doc/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/changelog
  VERBATIM)
add_custom_target(vantorlcd_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/man/vantorlcd.1.gz ${PROJECT_BINARY_DIR}/doc/changelog.gz)

install(FILES ${PROJECT_BINARY_DIR}/man/vantorlcd.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/vantorlcd.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${VANTOR_APPSTREAM_ID}.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantorlcd)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorlcd)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantor LCD developers")
set(CPACK_PACKAGE_CONTACT "${VANTOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from dpkg-shlibdeps; the rest is loaded at run time, out of its sight: the
# platform plugins, Qt's French translations and the panel's font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2")
# On a Wayland desktop Qt's Wayland plugin runs the program natively; without it, through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# First line: the synopsis; the others: the extended description, as dpkg shows them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "front panel of a two-channel serial oscilloscope board
Vantor LCD is the desktop front panel of a two-channel, 8-bit digital
oscilloscope board (a MAX114 converter and a PIC16F877 microcontroller)
connected by a serial port at 115200 bit/s. Its window is in French.
.
It shows the board's settings, draws both channels against time or in XY
mode, measures them, offers time and voltage cursors, saves the screen as
a BMP file and sends the keypad's keys to the board.")

include(CPack)
