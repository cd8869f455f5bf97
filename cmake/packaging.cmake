# What `cmake --install` puts in place, and the Debian package CPack builds
# from the same files (see scripts/package).
include(GNUInstallDirs)

install(TARGETS tessalux RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/org.tessalux.Tessalux.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.tessalux.Tessalux.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Drawn by art/render_icon.py from the same shapes as the window icon.
install(DIRECTORY data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The man page and the changelog are installed compressed, as Debian wants
# them; -n leaves out the time stamp so equal sources give equal packages.
set(compressed "")
foreach(source tessalux.1 changelog)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/data/${source}
            ${CMAKE_CURRENT_BINARY_DIR}/${source}
    COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/${source}
    DEPENDS data/${source}
    VERBATIM)
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tessalux.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz data/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessalux)
set(CPACK_PACKAGE_CONTACT "TESSALUX maintainers <maintainers@users.noreply.c-seed-7652b091.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "zoom the X display out and in with xrandr scaling")
set(CPACK_PACKAGE_DESCRIPTION
    "TESSALUX is a small window with four buttons, zoom out, zoom 1:1, zoom in
and quit, that rescale one output of the running X server through xrandr, so
that more or less of the desktop fits on the screen. Ctrl+minus, Ctrl+0,
Ctrl+plus and Ctrl+Q do the same from the keyboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps (GTK+ 2 among them); xrandr is a
# program, so its package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS x11-xserver-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
