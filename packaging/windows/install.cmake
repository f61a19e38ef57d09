# The Windows zip, one per architecture: quillon-1.1-win32.zip and quillon-1.1-win64.zip, each
# one folder of the same name holding
#   quillon.exe, quillon-send.exe    the programs (linked statically: no other DLL needed)
#   quillon.dll                      the library, its seven functions exported by name
#   quillon.h, quillon.def           its header and module definition file
#   libquillon.dll.a                 its import library (on i686 made by dlltool, see
#                                    cmake/QuillonWindowsExports.cmake)
#   README.txt (CR LF line ends), LICENSE
#   cpack --config build-windows-x64/CPackConfig.cmake
# scripts/package runs it; packaging/tests/test_windows_zip.py runs the result under Wine.
if(TARGET quillon_window)
    install(TARGETS quillon_window RUNTIME DESTINATION .)
endif()
install(TARGETS quillon-send RUNTIME DESTINATION .)
# quillon.exe's own import library stays out: on i686 only quillon.dll's resolves the
# decorated stdcall names that a caller compiled with quillon.h links against.
install(TARGETS quillon RUNTIME DESTINATION . ARCHIVE DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/library/quillon.h ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${QUILLON_DEF_FILE} DESTINATION . RENAME quillon.def)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QUILLON_WINDOWS_NAME win32)
    set(QUILLON_WINDOWS_MACHINE "32-bit Windows (x86)")
else()
    set(QUILLON_WINDOWS_NAME win64)
    set(QUILLON_WINDOWS_MACHINE "64-bit Windows (x64)")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon authors")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME quillon-${PROJECT_VERSION}-${QUILLON_WINDOWS_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
