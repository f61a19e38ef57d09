# The Windows builds' tests, run by this (native) build's CTest: their export tables read with
# objdump, and their programs under Wine. scripts/test builds the Windows presets first and
# passes their build trees in QUILLON_WINDOWS_BUILDS. The i686 programs run through Wine's
# 32-bit loader, which a kernel without 32-bit emulation refuses: there their Wine tests are
# skipped (exit code 77) and print why; QUILLON_NO_32BIT=1 makes any machine act so.
set(QUILLON_WINDOWS_BUILDS "" CACHE STRING "Windows build trees whose programs CTest runs under Wine")

find_package(Python3 COMPONENTS Interpreter)
# The build's test guard maps the ports away for these tests as for all; the Wine tests map the
# ports in the prefix's registry as well, and keep QUILLON_COMn from the Windows programs.

foreach(windows_build IN LISTS QUILLON_WINDOWS_BUILDS)
    get_filename_component(name ${windows_build} NAME)
    string(REPLACE "build-" "" name ${name})
    string(REPLACE "windows-" "" architecture ${name})

    # Needs no Wine, so the i686 build is checked on every machine.
    add_test(NAME ${name}.exports
             COMMAND ${Python3_EXECUTABLE}
                     ${PROJECT_SOURCE_DIR}/library/tests/check_windows_exports.py
                     ${architecture} ${windows_build} -v)

    # One throwaway prefix per build tree, made by the first test that needs it; the tests of
    # one prefix take turns, since each maps the COM ports for itself.
    set(prefix ${CMAKE_BINARY_DIR}/wine-prefix-${name})
    set(lock RESOURCE_LOCK wine-${name} SKIP_RETURN_CODE 77)

    add_test(NAME ${name}.translate_tests
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/lib/run_under_wine.py
                     ${prefix} ${windows_build}/tests/translate_tests.exe)
    set_tests_properties(${name}.translate_tests PROPERTIES ${lock} TIMEOUT 300)

    add_test(NAME ${name}.serial
             COMMAND ${Python3_EXECUTABLE}
                     ${PROJECT_SOURCE_DIR}/serial/tests/win32/test_wine_serial.py
                     ${windows_build} ${prefix} -v)
    set_tests_properties(${name}.serial PROPERTIES ${lock} TIMEOUT 600)

    # quillon-send.exe's own command line: its arguments in UTF-16, its Windows words.
    add_test(NAME ${name}.cli
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cli/tests/win32/test_wine_cli.py
                     ${windows_build} ${prefix} -v)
    set_tests_properties(${name}.cli PROPERTIES ${lock} TIMEOUT 300)

    # It drives X through the X11 test client, which needs Debian's interpreter.
    add_test(NAME ${name}.window
             COMMAND ${QUILLON_DEBIAN_PYTHON}
                     ${PROJECT_SOURCE_DIR}/ui/tests/win32/test_wine_window.py
                     ${windows_build} ${prefix} -v)
    set_tests_properties(${name}.window PROPERTIES ${lock} TIMEOUT 600)

    # The zip that scripts/package makes from this build tree, unpacked and run under Wine.
    add_test(NAME ${name}.zip
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/tests/test_windows_zip.py
                     ${architecture} ${windows_build} ${prefix} -v)
    set_tests_properties(${name}.zip PROPERTIES ${lock} TIMEOUT 300
                         ENVIRONMENT "CPACK=${CMAKE_CPACK_COMMAND}")
endforeach()
