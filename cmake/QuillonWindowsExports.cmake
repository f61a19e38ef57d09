# The seven SER_ functions are exported by name with ordinals 1-7, both by quillon.dll and by
# the program module quillon.exe, from one module definition file per architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QUILLON_DEF_FILE ${CMAKE_CURRENT_LIST_DIR}/../library/win32/quillon-i686.def CACHE INTERNAL "")
else()
    set(QUILLON_DEF_FILE ${CMAKE_CURRENT_LIST_DIR}/../library/win32/quillon-x64.def CACHE INTERNAL "")
endif()

function(quillon_windows_exports target)
    target_link_options(${target} PRIVATE ${QUILLON_DEF_FILE})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${QUILLON_DEF_FILE})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # stdcall names are decorated (_SER_OPEN@8) on i686: export them plain.
        target_link_options(${target} PRIVATE -Wl,--kill-at)
    endif()
endfunction()

# On i686 the linker's own import library would hold the plain names, which a caller compiled
# against library/quillon.h (stdcall, so decorated references) cannot link with. dlltool makes one
# from the decorated definitions that maps each decorated reference to the plain export.
function(quillon_windows_import_library target)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
        return()
    endif()
    string(REPLACE "g++" "dlltool" dlltool "${CMAKE_CXX_COMPILER}")
    string(REGEX REPLACE "-posix$|-win32$" "" dlltool "${dlltool}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${dlltool} --input-def ${QUILLON_DEF_FILE} --kill-at
                --dllname $<TARGET_FILE_NAME:${target}> --output-lib $<TARGET_LINKER_FILE:${target}>
        COMMENT "Import library for direct stdcall calls into $<TARGET_FILE_NAME:${target}>"
        VERBATIM)
endfunction()
