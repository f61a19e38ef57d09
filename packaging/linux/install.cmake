# What a Linux install holds, in four components that are the four Debian packages:
#   quillon         the programs, their manual pages, the desktop entry, icon and AppStream data
#   libquillon1     the shared library, libquillon.so.1
#   quillon-bridge  the MQTT bridge, its manual page and its systemd units (Linux)
#   libquillon-dev  the header <quillon/quillon.h>, the development link, quillon.pc and the
#                   CMake package Quillon (imported target Quillon::quillon)
# Nothing installed refers to the source or build tree: the window's one outside file is the
# dialog font of Debian's fonts-wine, found at its own absolute path.
set(linux_files ${CMAKE_CURRENT_LIST_DIR})
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(man1 ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET quillon_window)
    install(TARGETS quillon_window RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quillon)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillon.1 DESTINATION ${man1} COMPONENT quillon)
    install(FILES ${linux_files}/org.example.quillon.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT quillon)
    install(FILES ${linux_files}/org.example.quillon.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT quillon)
    install(FILES ${linux_files}/org.example.quillon.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT quillon)
endif()

install(TARGETS quillon-send RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quillon)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillon-send.1 DESTINATION ${man1} COMPONENT quillon)

# The virtual display, where display/ builds it.
if(TARGET quillon-display)
    install(TARGETS quillon-display RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quillon)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillon-display.1
            DESTINATION ${man1} COMPONENT quillon)
endif()

# The MQTT bridge (Linux), a package of its own: a machine that serves displays to a broker
# needs neither the window nor Qt.
if(TARGET quillon-bridge)
    install(TARGETS quillon-bridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT quillon-bridge)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quillon-bridge.1 DESTINATION ${man1}
            COMPONENT quillon-bridge)
    install(FILES ${linux_files}/systemd/quillon-bridge.service
            DESTINATION lib/systemd/system COMPONENT quillon-bridge)
    install(FILES ${linux_files}/systemd/quillon-bridge.user.service
            DESTINATION lib/systemd/user RENAME quillon-bridge.service COMPONENT quillon-bridge)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/bridge.conf.example ${PROJECT_SOURCE_DIR}/docs/bridge.md
                  ${PROJECT_SOURCE_DIR}/docs/screens.example.yaml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillon-bridge COMPONENT quillon-bridge)
    # The system service's settings, all commented out: a conffile, so an edit survives an
    # upgrade. /etc for the packages' prefix /usr, as GNUInstallDirs has it; PREFIX/etc for any
    # other. Decided when installing, since CPack installs with its own prefix.
    install(CODE "
        set(etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            set(etc /etc)
        endif()
        file(INSTALL DESTINATION \"\${etc}/quillon\" TYPE FILE
             PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
             FILES \"${linux_files}/bridge.conf\")
        " COMPONENT quillon-bridge)
endif()

# The README with the documents it links to, in the same places relative to it as in the
# source, so that its links and pictures work where it is installed (/usr/share/doc/quillon).
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        COMPONENT quillon)
install(FILES ${PROJECT_SOURCE_DIR}/docs/ports.conf.example ${PROJECT_SOURCE_DIR}/docs/tags.md
              ${PROJECT_SOURCE_DIR}/docs/display.md ${PROJECT_SOURCE_DIR}/docs/window.md
              ${PROJECT_SOURCE_DIR}/docs/serial.md ${PROJECT_SOURCE_DIR}/docs/quillon-send.md
              ${PROJECT_SOURCE_DIR}/docs/bridge.md ${PROJECT_SOURCE_DIR}/docs/window.png
              ${PROJECT_SOURCE_DIR}/docs/window-wine.png ${PROJECT_SOURCE_DIR}/docs/demo.png
              ${PROJECT_SOURCE_DIR}/docs/display-text.png
              ${PROJECT_SOURCE_DIR}/docs/display-graphic.png
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT quillon)

# USB serial adapters usable by the user at the seat and left alone by ModemManager. The
# folder is udev's own under the prefix (/usr/lib/udev/rules.d for the packages), not the
# library folder, which is multiarch.
install(FILES ${linux_files}/70-quillon.rules DESTINATION lib/udev/rules.d COMPONENT quillon)

install(TARGETS quillon EXPORT QuillonTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                COMPONENT libquillon1 NAMELINK_COMPONENT libquillon-dev)
install(FILES ${PROJECT_SOURCE_DIR}/library/quillon.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillon COMPONENT libquillon-dev)

set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Quillon)
install(EXPORT QuillonTargets NAMESPACE Quillon:: DESTINATION ${cmake_package_dir}
        COMPONENT libquillon-dev)
include(CMakePackageConfigHelpers)
configure_package_config_file(${linux_files}/QuillonConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/QuillonConfig.cmake
                              INSTALL_DESTINATION ${cmake_package_dir})
# A new major version is a new interface (and a new SONAME).
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/QuillonConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/QuillonConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/QuillonConfigVersion.cmake
        DESTINATION ${cmake_package_dir} COMPONENT libquillon-dev)

# quillon.pc names the prefix the files are installed under, which is known only when they are
# installed (cmake --install --prefix, or the packages' /usr), so it is written then.
configure_file(${linux_files}/write_pkg_config.cmake.in
               ${CMAKE_CURRENT_BINARY_DIR}/write_pkg_config.cmake @ONLY)
install(SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/write_pkg_config.cmake COMPONENT libquillon-dev)
