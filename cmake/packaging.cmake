# Installation, the desktop entry and the Debian package.
#
# Included from the top-level CMakeLists.txt once the velti target exists: velti itself goes
# to bin/ by the rule there; this file adds what a desktop needs around it and the CPack
# settings, so `cpack -G DEB` in a build tree makes velti_<version>_<arch>.deb.

set(VELTI_RESOURCES ${PROJECT_SOURCE_DIR}/src/resources)
# The sizes of the stopwatch in the hicolor icon theme, drawn by tools/make_pictures.py.
set(VELTI_ICON_SIZES 16 32 128 256)

# ---- Desktop integration (freedesktop.org layout: Linux and the BSDs).
if(UNIX AND NOT APPLE)
    # Both named after the AppStream id, so the software centre, the menu and the metainfo
    # speak of one application.
    configure_file(${VELTI_RESOURCES}/velti.desktop.in
                   ${PROJECT_BINARY_DIR}/generated/${VELTI_APP_ID}.desktop @ONLY)
    configure_file(${VELTI_RESOURCES}/velti.metainfo.xml.in
                   ${PROJECT_BINARY_DIR}/generated/${VELTI_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/generated/${VELTI_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_BINARY_DIR}/generated/${VELTI_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size IN LISTS VELTI_ICON_SIZES)
        install(FILES ${VELTI_RESOURCES}/icons/hicolor/${size}x${size}/apps/velti.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

# ---- The manual page, the licence and the history, where Debian keeps them.
# Compressed with gzip -9n: the strongest level, and no name or time in the header, so the
# same sources always make the same bytes.
if(UNIX AND NOT APPLE)
    find_program(VELTI_GZIP gzip)
    if(VELTI_GZIP)
        set(velti_docs_dir ${PROJECT_BINARY_DIR}/docs)
        set(velti_manual ${velti_docs_dir}/velti.1.gz)
        set(velti_changelog ${velti_docs_dir}/changelog.gz)
        # The page takes the version from the project; gzip replaces the copy in the build tree
        # with its compressed form.
        file(MAKE_DIRECTORY ${velti_docs_dir})
        configure_file(${PROJECT_SOURCE_DIR}/docs/velti.1.in ${PROJECT_BINARY_DIR}/generated/velti.1
                       @ONLY)
        add_custom_command(OUTPUT ${velti_manual}
            COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/generated/velti.1
                    ${velti_docs_dir}/
            COMMAND ${VELTI_GZIP} -9nf ${velti_docs_dir}/velti.1
            DEPENDS ${PROJECT_BINARY_DIR}/generated/velti.1
            VERBATIM)
        add_custom_command(OUTPUT ${velti_changelog}
            COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
                    ${velti_docs_dir}/
            COMMAND ${VELTI_GZIP} -9nf ${velti_docs_dir}/changelog
            DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
            VERBATIM)
        add_custom_target(velti_docs ALL DEPENDS ${velti_manual} ${velti_changelog})
        install(FILES ${velti_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        # A package made by its own authors is native: its one history is changelog.gz.
        install(FILES ${velti_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
    else()
        message(STATUS "gzip missing: the manual page and the changelog are not installed")
    endif()
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# The compiler and the C library leave their version strings in a .comment section, which
# strip keeps; an installed, stripped program has no use for them.
if(CMAKE_OBJCOPY AND UNIX AND NOT APPLE)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:velti>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endif()

# ---- The Debian package.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "${VELTI_COMPANY}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Broken into lines, as dpkg shows it: CPack indents each line but does not wrap them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A small stopwatch with an Italian interface. It counts hours, minutes\n"
    "and seconds, with start, stop, pause and resume, a reading that freezes\n"
    "the display while the count goes on, and reset. The count follows a\n"
    "monotonic clock, so setting the system time never moves it.")
set(CPACK_PACKAGE_CONTACT "${VELTI_COMPANY} <pacchetti@laboratoriovelti.it>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${VELTI_NAME})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries velti links against (Qt Widgets, Gui, Core, libstdc++, libc) are read off
# the binary by dpkg-shlibdeps, with the versions the build machine had.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binary cannot show, because Qt looks for it only at run time:
# - qt6-qpa-plugins holds the platform plugins, xcb among them, that Qt loads with dlopen;
#   without them velti stops at start-up ("could not find the Qt platform plugin") before
#   it opens any window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# - fonts-liberation: the windows are laid out for Arial and MS Sans Serif, which velti
#   maps to Liberation Sans, a face with Arial's metrics; another face still works, but the
#   labels may not fit their places.
# - qt6-translations-l10n: qtbase_it, the Italian of Qt's own words (the buttons of the
#   message boxes); without it those stay in English.
# - qt6-wayland: the Wayland platform plugin; without it a Wayland session falls back to
#   XWayland and Qt warns about it at every start.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, qt6-translations-l10n, qt6-wayland")

if(NOT CPACK_GENERATOR AND UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
endif()
include(CPack)
