# What `cmake --install` puts in place, the Debian package CPack builds from
# the same files (see scripts/package) and the source release
# (`cmake --build build --target package_source`).
include(GNUInstallDirs)

# The release this tree is: the version given to project(), and the date of
# the top entry of data/changelog, which must be the entry for that version.
file(STRINGS data/changelog changelog_lines REGEX "^(tessalux \\(| -- )")
list(GET changelog_lines 0 changelog_head)
list(GET changelog_lines 1 changelog_trailer)
string(REGEX REPLACE "^tessalux \\(([^)]*)\\).*" "\\1" changelog_version "${changelog_head}")
if(NOT changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "data/changelog starts with version ${changelog_version}, "
                      "but project() says ${PROJECT_VERSION}: add an entry for it")
endif()
string(REGEX REPLACE "^ -- .*>  " "" changelog_date "${changelog_trailer}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -d "${changelog_date}" "+%s;%Y-%m-%d;%B %Y"
  OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE date_status)
if(NOT date_status EQUAL 0)
  message(FATAL_ERROR "cannot read the date \"${changelog_date}\" of data/changelog")
endif()
list(GET release_date 0 TESSALUX_RELEASE_EPOCH)   # seconds since 1970
list(GET release_date 1 TESSALUX_RELEASE_DATE)    # for AppStream: 2026-12-07
list(GET release_date 2 TESSALUX_RELEASE_MONTH)   # for the man page: December 2026

# The man page and the AppStream metadata carry the version and release date.
set(configured ${CMAKE_CURRENT_BINARY_DIR}/data)
configure_file(data/tessalux.1.in ${configured}/tessalux.1 @ONLY)
configure_file(data/org.tessalux.Tessalux.metainfo.xml.in
               ${configured}/org.tessalux.Tessalux.metainfo.xml.in @ONLY)

# The menu entry and the AppStream metadata get the translations of po/,
# merged by gettext's msgfmt for each language listed in po/LINGUAS.
find_program(MSGFMT msgfmt)
if(NOT MSGFMT)
  message(FATAL_ERROR "msgfmt not found: install gettext")
endif()
file(STRINGS po/LINGUAS linguas REGEX "^[^#]")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS po/LINGUAS)
string(REPLACE " " ";" linguas "${linguas}")
set(catalogs ${CMAKE_CURRENT_SOURCE_DIR}/po/LINGUAS)
foreach(language ${linguas})
  list(APPEND catalogs ${CMAKE_CURRENT_SOURCE_DIR}/po/${language}.po)
endforeach()
add_custom_command(
  OUTPUT ${configured}/org.tessalux.Tessalux.desktop
  COMMAND ${MSGFMT} --desktop
          --template=${CMAKE_CURRENT_SOURCE_DIR}/data/org.tessalux.Tessalux.desktop.in
          -d ${CMAKE_CURRENT_SOURCE_DIR}/po -o ${configured}/org.tessalux.Tessalux.desktop
  DEPENDS data/org.tessalux.Tessalux.desktop.in ${catalogs}
  VERBATIM)
add_custom_command(
  OUTPUT ${configured}/org.tessalux.Tessalux.metainfo.xml
  COMMAND ${MSGFMT} --xml --template=${configured}/org.tessalux.Tessalux.metainfo.xml.in
          -d ${CMAKE_CURRENT_SOURCE_DIR}/po -o ${configured}/org.tessalux.Tessalux.metainfo.xml
  DEPENDS ${configured}/org.tessalux.Tessalux.metainfo.xml.in ${catalogs}
  VERBATIM)
add_custom_target(translated_data ALL DEPENDS
  ${configured}/org.tessalux.Tessalux.desktop
  ${configured}/org.tessalux.Tessalux.metainfo.xml)

# What is installed is the component "tessalux", the package of that name,
# but for the program's debug information, the component "dbgsym" (below).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME tessalux)
install(TARGETS tessalux RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${configured}/org.tessalux.Tessalux.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${configured}/org.tessalux.Tessalux.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Drawn by art/render_icon.py from the same shapes as the window icon.
install(DIRECTORY data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The man page and the changelog are installed compressed, as Debian wants
# them; -n leaves out the time stamp so equal sources give equal packages.
set(compressed "")
foreach(input ${CMAKE_CURRENT_SOURCE_DIR}/data/changelog)
  get_filename_component(name ${input} NAME)
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${input} ${CMAKE_CURRENT_BINARY_DIR}/${name}
    COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/${name}
    DEPENDS ${input}
    VERBATIM)
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
# The man page names the licence file under the prefix it is installed with,
# which `cmake --install --prefix` and CPack (/usr) set only then: it is
# written with that prefix, and compressed, at install time.
install(CODE "set(man_page \"${configured}/tessalux.1\")
  set(man_page_docdir \"${CMAKE_INSTALL_FULL_DOCDIR}\")
  set(man_page_installed_docdir \"${CMAKE_INSTALL_DOCDIR}\")
  set(man_page_mandir \"${CMAKE_INSTALL_MANDIR}\")
  set(man_page_work \"${CMAKE_CURRENT_BINARY_DIR}/tessalux.1\")")
install(CODE [[
  if(NOT IS_ABSOLUTE "${man_page_installed_docdir}")
    set(man_page_installed_docdir "${CMAKE_INSTALL_PREFIX}/${man_page_installed_docdir}")
  endif()
  file(READ "${man_page}" page)
  string(REPLACE "${man_page_docdir}/copyright" "${man_page_installed_docdir}/copyright"
         page "${page}")
  file(REMOVE "${man_page_work}" "${man_page_work}.gz")
  file(WRITE "${man_page_work}" "${page}")
  execute_process(COMMAND gzip -9nf "${man_page_work}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${man_page_work}")
  endif()
  file(INSTALL "${man_page_work}.gz" DESTINATION "${CMAKE_INSTALL_PREFIX}/${man_page_mandir}/man1"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
]])
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz data/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The program's debug information, for the package tessalux-dbgsym: a copy of
# the unstripped program that keeps only that, compressed, named after the
# program's build ID as gdb and debuginfod look it up (under
# lib/debug/.build-id/), and the package's documentation folder as a link to
# that of tessalux. Only CPack installs it.
install(CODE "set(debug_program \"$<TARGET_FILE:tessalux>\")
  set(debug_objcopy \"${CMAKE_OBJCOPY}\")
  set(debug_readelf \"${CMAKE_READELF}\")
  set(debug_docdir \"${CMAKE_INSTALL_DOCDIR}\")"
  COMPONENT dbgsym EXCLUDE_FROM_ALL)
install(SCRIPT cmake/install_debug_symbols.cmake COMPONENT dbgsym EXCLUDE_FROM_ALL)

# Two Debian packages, one per component: tessalux, with the program
# stripped, and tessalux-dbgsym. The DEB generator's own debug package
# (CPACK_DEBIAN_DEBUGINFO_PACKAGE) is not used: in CMake 3.25 and 3.31 its
# md5sums name the debug file by its path in the build folder, so that the
# package differs from folder to folder, and lintian fails it for that and
# for its missing copyright file.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessalux)
set(CPACK_PACKAGE_CONTACT "TESSALUX maintainers <maintainers@users.noreply.c-seed-7652b091.example>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tessalux dbgsym)
set(CPACK_DEBIAN_TESSALUX_PACKAGE_NAME tessalux)
# The first line is the synopsis. No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack
# would put it before each package's description.
set(CPACK_DEBIAN_TESSALUX_DESCRIPTION
    "zoom one screen out and in with xrandr scaling
TESSALUX is a small window with four buttons, Zoom out, Zoom 1:1, Zoom in
and Quit, that rescale one output of the running X server through xrandr,
the last connected output that xrandr -q lists, so that more or less of the
desktop fits on that screen. Ctrl+minus, Ctrl+0, Ctrl+plus and Ctrl+Q do the
same from the keyboard.")
set(CPACK_DEBIAN_DBGSYM_PACKAGE_NAME tessalux-dbgsym)
set(CPACK_DEBIAN_DBGSYM_DESCRIPTION "debug symbols for tessalux")
set(CPACK_DEBIAN_DBGSYM_PACKAGE_SECTION debug)
set(CPACK_DEBIAN_DBGSYM_PACKAGE_DEPENDS "tessalux (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DBGSYM_PACKAGE_RECOMMENDS "")
set(CPACK_DEBIAN_DBGSYM_PACKAGE_SHLIBDEPS OFF)
# The Debian packages install under /usr, CPack's default for them.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps (GTK+ 2 among them); xrandr is a
# program, so its package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS x11-xserver-utils)
# Sharp toolbar icons at scales other than 1 come from a theme with full-colour
# zoom and quit icons larger than GTK's own 24-pixel ones: Adwaita had them
# up to Debian 12 (its 45.0-3 dropped them); Debian 13 has them in a package
# of their own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "adwaita-icon-theme-legacy | adwaita-icon-theme (<< 45.0-3~)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Equal sources give equal packages: cmake/cpack_project.cmake sets the time
# stamps inside the package when cpack runs, from these two.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack_project.cmake)
set(CPACK_TESSALUX_SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
set(CPACK_TESSALUX_RELEASE_EPOCH ${TESSALUX_RELEASE_EPOCH})

# CPack writes every CPACK_ value into CPackConfig.cmake and
# CPackSourceConfig.cmake as CMake code, which cpack reads again: escaped, the
# values reach it as set here, the backslashes of the patterns below included.
set(CPACK_VERBATIM_VARIABLES ON)

# The source release, tessalux-VERSION.tar.gz: the tree as committed, without
# build folders, version control or editor leftovers.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" source_dir_pattern
       "${CMAKE_CURRENT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES
    "^${source_dir_pattern}/build[^/]*/"
    "^${source_dir_pattern}/\\.git(/|$)"
    "/__pycache__/" "~$" "\\.swp$" "\\.orig$" "\\.rej$")
include(CPack)
