# SPDX-License-Identifier: GPL-3.0-or-later
# rovadod_install_configured(<template> <name> <destination> [PROGRAM] [GZIP])
#
# Installs <template> as <destination>/<name> after replacing the @VARS@ that
# name installed paths. Those are known only when `cmake --install` or cpack
# runs (--prefix may change them), so the file is made then, by
# ConfigureAtInstall.cmake. PROGRAM installs it executable, GZIP compresses it
# into <name>.gz (gzip -9n, as Debian wants manual pages and changelogs).
function(rovadod_install_configured template name destination)
    cmake_parse_arguments(ARG "PROGRAM;GZIP" "" "" ${ARGN})
    if(NOT IS_ABSOLUTE "${template}")
        set(template "${CMAKE_CURRENT_SOURCE_DIR}/${template}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${template}")
    install(CODE "
        set(rovadod_template [[${template}]])
        set(rovadod_name [[${name}]])
        set(rovadod_destination [[${destination}]])
        set(rovadod_work_dir [[${CMAKE_CURRENT_BINARY_DIR}/configured]])
        set(rovadod_program ${ARG_PROGRAM})
        set(rovadod_gzip ${ARG_GZIP})
        set(rovadod_bindir [[${CMAKE_INSTALL_BINDIR}]])
        set(rovadod_datadir [[${CMAKE_INSTALL_DATADIR}]])
        set(rovadod_libexecdir [[${CMAKE_INSTALL_LIBEXECDIR}]])
        set(ROVADOD_ID [[${ROVADOD_ID}]])
        set(ROVADOD_EXPLORER_ID [[${ROVADOD_EXPLORER_ID}]])
        set(ROVADOD_VERSION [[${PROJECT_VERSION}]])
        set(ROVADOD_RELEASE_DATE [[${ROVADOD_RELEASE_DATE}]])
        set(ROVADOD_MAINTAINER [[${ROVADOD_MAINTAINER}]])
        include([[${PROJECT_SOURCE_DIR}/cmake/ConfigureAtInstall.cmake]])
    ")
endfunction()
