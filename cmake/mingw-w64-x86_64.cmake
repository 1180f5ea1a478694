# Cross-compiles devmgr for 64-bit Windows with Debian's MinGW-w64 (the posix-thread
# flavour, packages g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DEVMGR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DEVMGR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEVMGR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DEVMGR_MINGW_PREFIX}-windres)
set(CMAKE_AR ${DEVMGR_MINGW_PREFIX}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${DEVMGR_MINGW_PREFIX}-ranlib CACHE FILEPATH "Archive indexer")
set(CMAKE_STRIP ${DEVMGR_MINGW_PREFIX}-strip CACHE FILEPATH "Strip")

# Headers and libraries come from the MinGW-w64 sysroot only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${DEVMGR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and GoogleTest's test discovery) run under Wine, in a prefix of their own
# inside the build tree.
get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR
                       ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ABSOLUTE)
