# Options that every target of the project gets: warnings and, per target, the sanitizers
# chosen with QUILLON_SANITIZE (never through the global flags, so system libraries and
# test frameworks stay as they are).

function(quillon_target_defaults target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    endif()
    # GCC 12 warns falsely of std::string's operator+ once it inlines it (-O3: a "memcpy of
    # 2^63 bytes" that may overlap, GCC bug 105329); fixed in GCC 13.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
    endif()
    # Debian's hardening (what dpkg-buildflags gives a package): checked string and memory
    # functions where the size is known, which needs the optimizer, and a read-only relocation
    # table bound at start.
    if(NOT WIN32 AND NOT MSVC)
        target_compile_options(${target} PRIVATE
            $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2> -fstack-protector-strong
            -Wformat -Werror=format-security)
        target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
    endif()
    if(QUILLON_SANITIZE)
        list(JOIN QUILLON_SANITIZE "," sanitizers)
        target_compile_options(${target} PRIVATE -fsanitize=${sanitizers}
                               -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=${sanitizers})
    endif()
endfunction()

# A GoogleTest program beside its subsystem; its cases are listed to CTest one by one.
function(quillon_add_gtest target)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBRARIES;ENVIRONMENT;PROPERTIES" ${ARGN})
    add_executable(${target} ${arg_SOURCES})
    quillon_target_defaults(${target})
    target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} GTest::gtest GTest::gtest_main)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # A cross build only makes the test programs; the native build runs them (under Wine).
    if(CMAKE_CROSSCOMPILING)
        return()
    endif()
    # The discovered cases' ENVIRONMENT property keeps only one entry (the discovery script
    # splits lists), so the environment travels in the launcher, which runs both the discovery
    # and every case.
    if(arg_ENVIRONMENT)
        set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR
                     ${CMAKE_COMMAND} -E env ${arg_ENVIRONMENT})
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES ${arg_PROPERTIES})
endfunction()

# Debian's own interpreter, for the tests that drive X: their client uses Debian's python3-xlib
# and python3-pil, which a python3 found earlier on PATH (pyenv's, say) does not see.
find_program(QUILLON_DEBIAN_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
