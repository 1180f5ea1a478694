# Installation and packaging: the program, its manual page, and a Debian package.
include(GNUInstallDirs)

install(TARGETS devmgr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/man/devmgr.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.txt
              ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.utf8.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME devmgr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "devmgr maintainers <devmgr@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inventory of devices kept at a console, in GBK")
set(CPACK_PACKAGE_DESCRIPTION
    "devmgr keeps a list of device records (number, name, holder, department, quantity,\n\
purchase time, price) and is worked through numbered Chinese menus in GBK: entry from\n\
a file or by hand, browsing, query, deletion, sorting, range filters, undo and\n\
quantity totals. In a UTF-8 terminal it shows and reads UTF-8 by itself.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libc and libstdc++ versions the binary needs, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
