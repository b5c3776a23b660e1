# What an install puts besides the binary: the manual, compressed as Debian
# wants it; the copyright and changelog; and CPack's Debian package of it all.

# gzip -n keeps the file's name and time out, so the same page packs the same.
set(manual_gz ${CMAKE_CURRENT_BINARY_DIR}/linebrowse.1.gz)
add_custom_command(OUTPUT ${manual_gz}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/doc/linebrowse.1 > ${manual_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/doc/linebrowse.1 VERBATIM)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(compressed_docs ALL DEPENDS ${manual_gz} ${changelog_gz})

install(FILES ${manual_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME linebrowse)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The linebrowse developers <linebrowse@users.noreply.c-seed-760088c5.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console browser for line-record pages served over HTTP")
set(CPACK_PACKAGE_DESCRIPTION
  "linebrowse retrieves a page over HTTP in which every line is one numbered
record (a label, an optional link target and a flag), shows its title and
numbered rows, and takes commands at a prompt: a row number follows that
row's link, and single letters show the page again, reload it, go back, go
to a typed address or exit.

Its dialogue on standard input and output is exact to the byte, so scripts
can drive it. At a terminal it offers line editing and history, and Ctrl-C
stops a retrieval or a display. Control characters from the network are
shown, never sent to the terminal.")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
