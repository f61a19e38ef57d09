# The four Debian packages, made by CPack from the install components (linux/install.cmake):
#   cpack --config build/CPackConfig.cmake -G DEB
# scripts/package runs it; packaging/tests/ checks the result with dpkg-deb and lintian.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon authors")
set(CPACK_PACKAGE_CONTACT "Quillon authors <packages@quillon.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillon.example.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR, so that an install script sees the real prefix (/usr): quillon.pc is
# written with it.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL quillon quillon-bridge libquillon1 libquillon-dev)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quillon_1.1-1_amd64.deb
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# What debhelper would add: copyright and changelog files, compressed manual pages.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/finish_staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/ldconfig_trigger.cmake)
# LICENSE names no years; Debian's copyright file wants them: the project began in 2026. (Only
# CPACK_ variables reach the scripts.)
set(CPACK_QUILLON_COPYRIGHT_YEARS 2026)

set(CPACK_DEBIAN_QUILLON_PACKAGE_NAME quillon)
set(CPACK_DEBIAN_QUILLON_PACKAGE_SECTION electronics)
# The window's dialog font (without it the window uses Liberation Sans), and the virtual
# display's font for the katakana and kanji of the module's character set.
set(CPACK_DEBIAN_QUILLON_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_DEBIAN_QUILLON_DESCRIPTION
    "send text and control codes to serial display modules
Quillon sends text with tags to character LCD and VFD modules and to graphic
displays with a serial input. Tags such as <13>, <254,1>, <CLEAR_SCREEN> or
<LMA_LINE2> become bytes, which go out on one of the ports COM1 to COM8 at
1200, 2400, 4800 or 9600 baud, 8 data bits, no parity, one stop bit.

This package holds the window (quillon), the command-line sender for scripts
(quillon-send), a virtual display module on the screen for trying a message
without the hardware (quillon-display) and their manual pages. Each COM port
maps to a device such as a USB serial adapter, or to a serial port across the
network.")

set(CPACK_DEBIAN_QUILLON-BRIDGE_PACKAGE_NAME quillon-bridge)
set(CPACK_DEBIAN_QUILLON-BRIDGE_PACKAGE_SECTION net)
# dpkg-shlibdeps finds libmosquitto1 from the program, as every other library: naming it here
# too listed it twice. The maintainer scripts stop and disable the service when the package
# goes; the commented settings file in /etc is a conffile.
set(CPACK_DEBIAN_QUILLON-BRIDGE_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/quillon-bridge/postinst ${CMAKE_CURRENT_LIST_DIR}/quillon-bridge/prerm
    ${CMAKE_CURRENT_LIST_DIR}/quillon-bridge/postrm ${CMAKE_CURRENT_LIST_DIR}/quillon-bridge/conffiles)
set(CPACK_DEBIAN_QUILLON-BRIDGE_PACKAGE_SUGGESTS "mosquitto")
set(CPACK_DEBIAN_QUILLON-BRIDGE_DESCRIPTION
    "serve serial display modules to an MQTT broker
Quillon sends text with tags to character LCD and VFD modules and to graphic
displays with a serial input.

This package holds quillon-bridge, an MQTT client that serves the displays of
one machine: text published to a display's topic goes to its port with its
tags turned into bytes, in order, with the queue kept at the broker, so that
a restart of the bridge or of the broker loses at most the message being
written. It announces each display to Home Assistant and reports its
availability. A systemd unit runs it as an unprivileged user in group dialout.")

set(CPACK_DEBIAN_LIBQUILLON1_PACKAGE_NAME libquillon1)
set(CPACK_DEBIAN_LIBQUILLON1_PACKAGE_SECTION libs)
# The symbols file lets dpkg-shlibdeps give a program the lowest version that has every symbol
# it uses; each symbol carries the version node of library/exports.map.
set(CPACK_DEBIAN_LIBQUILLON1_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/libquillon1/triggers ${CMAKE_CURRENT_LIST_DIR}/libquillon1/symbols)
set(CPACK_DEBIAN_LIBQUILLON1_DESCRIPTION
    "send text and control codes to serial display modules - library
Quillon sends text with tags to character LCD and VFD modules and to graphic
displays with a serial input.

This package holds the shared library libquillon.so.1: seven C functions that
open one of the ports COM1 to COM8, send text to it with its tags turned into
bytes, or unchanged, and close it again.")

set(CPACK_DEBIAN_LIBQUILLON-DEV_PACKAGE_NAME libquillon-dev)
set(CPACK_DEBIAN_LIBQUILLON-DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_LIBQUILLON-DEV_DEPENDS libquillon1)
set(CPACK_DEBIAN_LIBQUILLON-DEV_DESCRIPTION
    "send text and control codes to serial display modules - development files
Quillon sends text with tags to character LCD and VFD modules and to graphic
displays with a serial input.

This package holds what programs that call libquillon.so.1 are built with: the
header <quillon/quillon.h>, the pkg-config file quillon.pc and the CMake
package Quillon with its imported target Quillon::quillon.")

include(CPack)
