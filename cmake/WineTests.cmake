# The Windows builds' tests, run under Wine by this (native) build's CTest. scripts/test builds
# the Windows presets first and passes their build trees in QUILLON_WINDOWS_BUILDS.
set(QUILLON_WINDOWS_BUILDS "" CACHE STRING "Windows build trees whose programs CTest runs under Wine")

find_package(Python3 COMPONENTS Interpreter)
foreach(windows_build IN LISTS QUILLON_WINDOWS_BUILDS)
    get_filename_component(name ${windows_build} NAME)
    string(REPLACE "build-" "" name ${name})
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

    add_test(NAME ${name}.window
             COMMAND ${Python3_EXECUTABLE}
                     ${PROJECT_SOURCE_DIR}/ui/tests/win32/test_wine_window.py
                     ${windows_build} ${prefix} -v)
    set_tests_properties(${name}.window PROPERTIES ${lock} TIMEOUT 600)
endforeach()
