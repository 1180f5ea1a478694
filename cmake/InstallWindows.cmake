# Installation and packaging on Windows: a ZIP (cpack) that a user unpacks anywhere,
# devmgr-VERSION-windows-x86_64.zip, holding devmgr.exe, a read-me for Windows users,
# the licence and the example import files, all in one folder of the archive's name
# (devmgr-VERSION-windows-x86_64\), whatever tool unpacks it: a user who double-clicks
# devmgr.exe there finds its files beside it.
install(TARGETS devmgr RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/README.txt
              ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE
        DESTINATION .)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.txt
              ${CMAKE_CURRENT_SOURCE_DIR}/examples/devices.utf8.txt
        DESTINATION examples)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME devmgr)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME devmgr-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
