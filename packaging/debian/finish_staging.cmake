# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) after it has installed each component into its own
# staging folder and before it packs them: adds what Debian's packaging tools would add, so that
# each package is complete by Debian's rules (lintian checks them).
#   usr/share/doc/<package>/copyright              the LICENSE, in Debian's copyright format
#   usr/share/doc/<package>/changelog.Debian.gz
#   usr/share/man/man1/*.1.gz                      manual pages compressed with gzip -9n
# SOURCE_DATE_EPOCH, when set, dates the changelog entry (scripts/package sets it from the last
# commit), so that the packages of one commit are the same wherever they are built.
set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)

# The copyright file's License paragraph: the text of LICENSE below its title ("MIT License",
# which Debian calls Expat), each line indented by one blank and empty lines written as " .".
file(READ "${CPACK_RESOURCE_FILE_LICENSE}" license)
string(FIND "${license}" "\n\n" title_end)  # (a REGEX REPLACE of "^..." would repeat)
math(EXPR text_start "${title_end} + 2")
string(SUBSTRING "${license}" ${text_start} -1 license)
string(REGEX MATCH "^Copyright ([^\n]*)" copyright_line "${license}")
set(holders "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n+$" "" license "${license}")
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license " ${license}\n")
if(holders STREQUAL "")
    message(FATAL_ERROR "${CPACK_RESOURCE_FILE_LICENSE} has no line \"Copyright HOLDERS\"")
endif()

function(gzip file)
    execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER "${component}" upper)
    set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
    set(root "${CPACK_TEMPORARY_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX}")
    set(doc "${root}/share/doc/${package}")
    file(MAKE_DIRECTORY "${doc}")
    file(CHMOD "${root}/share" "${root}/share/doc" "${doc}" DIRECTORY_PERMISSIONS
         OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

    file(WRITE "${doc}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Quillon
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}
Source: ${CPACK_PACKAGE_HOMEPAGE_URL}

Files: *
Copyright: ${CPACK_QUILLON_COPYRIGHT_YEARS} ${holders}
License: Expat

License: Expat
${license}")

    file(WRITE "${doc}/changelog.Debian"
"${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium

  * Quillon ${CPACK_PACKAGE_VERSION}, packed by CPack from the project's own build.

 -- ${CPACK_PACKAGE_CONTACT}  ${date}
")
    gzip("${doc}/changelog.Debian")
    file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz"
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

    file(GLOB manual_pages "${root}/share/man/man*/*.[1-9]")
    foreach(page IN LISTS manual_pages)
        gzip("${page}")
    endforeach()
endforeach()
