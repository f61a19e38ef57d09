# Run by CPack (CPACK_POST_BUILD_SCRIPTS) on the packages it has made. CPack gives a package that
# holds a shared library a postinst and a postrm that call ldconfig; Debian has the library's
# package activate libc's ldconfig trigger instead (libquillon1/triggers, added through
# CPACK_DEBIAN_LIBQUILLON1_PACKAGE_CONTROL_EXTRA). So the two scripts are taken out again:
# the package is unpacked and built anew by dpkg-deb, files owned by root as before.
foreach(package_file IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(name "${package_file}" NAME)
    if(NOT name MATCHES "^libquillon1_.*\\.deb$")
        continue()
    endif()
    set(tree "${package_file}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package_file}" "${tree}"
                    COMMAND_ERROR_IS_FATAL ANY)
    if(NOT EXISTS "${tree}/DEBIAN/triggers")
        message(FATAL_ERROR "${name} has no ldconfig trigger")
    endif()
    file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${package_file}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
