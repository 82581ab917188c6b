# SPDX-License-Identifier: MIT
# What an installation holds besides the program: the icon in the hicolor theme (the SVG and
# pictures of it from 16 to 256 pixels), the desktop file, the AppStream metadata, the manual
# page, the config sets that ship beside the program and the documents.
include(GNUInstallDirs)
set(KELTRIX_RELEASE_DATE "2026-12-09")

# The program finds what ships beside it through the installation's own relative layout.
file(RELATIVE_PATH KELTRIX_SHIPPED_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/keltrix)
# The two programs find each other the same way.
set(KELTRIX_WINDOW_DIR ${CMAKE_INSTALL_FULL_LIBEXECDIR}/keltrix)
file(RELATIVE_PATH KELTRIX_WINDOW_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${KELTRIX_WINDOW_DIR}/keltrix)
file(RELATIVE_PATH KELTRIX_BIN_FROM_WINDOW ${KELTRIX_WINDOW_DIR} ${CMAKE_INSTALL_FULL_BINDIR})
file(RELATIVE_PATH KELTRIX_SERVER_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${KELTRIX_WINDOW_DIR}/server/keltrix)
file(RELATIVE_PATH KELTRIX_BIN_FROM_SERVER ${KELTRIX_WINDOW_DIR}/server ${CMAKE_INSTALL_FULL_BINDIR})
file(RELATIVE_PATH KELTRIX_HELPERS_FROM_WINDOW ${KELTRIX_WINDOW_DIR}
     ${CMAKE_INSTALL_PREFIX}/${KELTRIX_HELPER_DIR})
file(RELATIVE_PATH KELTRIX_HELPERS_FROM_SERVER ${KELTRIX_WINDOW_DIR}/server
     ${CMAKE_INSTALL_PREFIX}/${KELTRIX_HELPER_DIR})
target_compile_definitions(keltrix_platform PRIVATE
                           KELTRIX_SHIPPED_FROM_BIN="${KELTRIX_SHIPPED_FROM_BIN}"
                           KELTRIX_WINDOW_FROM_BIN="${KELTRIX_WINDOW_FROM_BIN}"
                           KELTRIX_BIN_FROM_WINDOW="${KELTRIX_BIN_FROM_WINDOW}"
                           KELTRIX_SERVER_FROM_BIN="${KELTRIX_SERVER_FROM_BIN}"
                           KELTRIX_BIN_FROM_SERVER="${KELTRIX_BIN_FROM_SERVER}")
set_target_properties(keltrix_server PROPERTIES
                      INSTALL_RPATH "$ORIGIN/${KELTRIX_HELPERS_FROM_SERVER}")
if(TARGET keltrix_window)
    set_target_properties(keltrix_window PROPERTIES
                          INSTALL_RPATH "$ORIGIN/${KELTRIX_HELPERS_FROM_WINDOW}")
endif()

# The build tree keeps its own dll folder and config sets beside the program.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/dll)
add_custom_target(keltrix_configs ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/packaging/configs
            ${CMAKE_BINARY_DIR}/configs)

# The manual page: its template, and the reference as the program holds it.
configure_file(packaging/keltrix.1.in ${CMAKE_BINARY_DIR}/packaging/keltrix.1.in @ONLY)
add_executable(make_manpage packaging/make_manpage.cpp)
target_link_libraries(make_manpage PRIVATE keltrix_core)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/keltrix.1
    COMMAND make_manpage ${CMAKE_BINARY_DIR}/packaging/keltrix.1.in ${CMAKE_BINARY_DIR}/keltrix.1
    DEPENDS make_manpage ${CMAKE_BINARY_DIR}/packaging/keltrix.1.in
    COMMENT "Writing the manual page")
add_custom_target(keltrix_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/keltrix.1)
install(FILES ${CMAKE_BINARY_DIR}/keltrix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The icon: drawn once as an SVG, rendered for the sizes the hicolor theme has.
find_program(KELTRIX_RSVG_CONVERT rsvg-convert)
if(NOT KELTRIX_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) renders the icon's "
                        "pictures; scripts/install-deps installs it")
endif()
set(KELTRIX_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/keltrix.svg)
set(KELTRIX_ICON_PNGS)
foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/keltrix.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps
        COMMAND ${KELTRIX_RSVG_CONVERT} --width=${size} --height=${size} --output=${png}
                ${KELTRIX_ICON_SVG}
        DEPENDS ${KELTRIX_ICON_SVG})
    list(APPEND KELTRIX_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(keltrix_icons ALL DEPENDS ${KELTRIX_ICON_PNGS})
install(FILES ${KELTRIX_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

configure_file(packaging/org.keltrix.Keltrix.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/org.keltrix.Keltrix.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/org.keltrix.Keltrix.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(DIRECTORY packaging/configs DESTINATION ${CMAKE_INSTALL_DATADIR}/keltrix)
install(FILES README.md LICENSE docs/TAGS.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
