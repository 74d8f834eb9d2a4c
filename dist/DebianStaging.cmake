# Runs in cpack after the package's files are staged: Debian wants manual pages and the
# changelog compressed, without a timestamp in the gzip header.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
# One staging folder per package (component groups): <staging>/<group>/usr/...
set(staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
file(GLOB pages "${staged}/*/share/man/man*/*.[1-9]" "${staged}/*/*/share/man/man*/*.[1-9]")
file(GLOB changelogs "${staged}/*/share/doc/*/changelog.Debian"
                     "${staged}/*/*/share/doc/*/changelog.Debian")
foreach(file IN LISTS pages changelogs)
    execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip ${file} failed")
    endif()
endforeach()
