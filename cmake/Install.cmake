# Installation and packaging: the program, its manual page, its documentation, and a
# Debian package (cpack) laid out as Debian policy asks, so that lintian passes it.
# Windows builds get a ZIP instead (cmake/InstallWindows.cmake).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()

include(GNUInstallDirs)

# The manual page and the Debian changelog are installed compressed with gzip -9n: best
# compression, no file name or time stamp inside, so the package is reproducible.
set(DEVMGR_DOC_GEN_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated/doc)
set(DEVMGR_MAN_GZ ${DEVMGR_DOC_GEN_DIR}/devmgr.1.gz)
set(DEVMGR_CHANGELOG_GZ ${DEVMGR_DOC_GEN_DIR}/changelog.gz)
foreach(pair "man/devmgr.1=${DEVMGR_MAN_GZ}" "packaging/changelog=${DEVMGR_CHANGELOG_GZ}")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DEVMGR_DOC_GEN_DIR}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${output}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
endforeach()
add_custom_target(devmgr_docs ALL DEPENDS ${DEVMGR_MAN_GZ} ${DEVMGR_CHANGELOG_GZ})

install(TARGETS devmgr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DEVMGR_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${DEVMGR_CHANGELOG_GZ}
              ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright
              ${CMAKE_CURRENT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The documents the README links to, at the same relative paths.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/reliability.md
              ${CMAKE_CURRENT_SOURCE_DIR}/docs/performance.md
              ${CMAKE_CURRENT_SOURCE_DIR}/docs/hacking.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/bench/RESULTS.md
              ${CMAKE_CURRENT_SOURCE_DIR}/bench/results.svg
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/bench)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.txt
              ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.utf8.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/lintian_overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME devmgr)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME devmgr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The project's own address; the same one signs packaging/changelog.
set(CPACK_PACKAGE_CONTACT "devmgr maintainers <devmgr@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inventory of devices kept at a console, in Chinese")
# Debian shows these lines as they are: each within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "devmgr keeps a list of device records (number, name, holder, department,\n\
quantity, purchase time, price) and is worked through numbered Chinese menus:\n\
entry from a file or by hand, browsing, query, deletion, sorting, range\n\
filters, undo and quantity totals. Its texts and files are GBK; on a UTF-8\n\
terminal it converts what it shows and what is typed by itself.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libc and libstdc++ versions the binary needs, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Directories as Debian has them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
