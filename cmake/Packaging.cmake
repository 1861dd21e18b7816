# What `cmake --install` puts on a machine, and the Debian package CPack makes
# of it (`cpack -G DEB` in the build tree; scripts/package.sh configures the tree
# for /usr and runs it). Included from CMakeLists.txt.
include(GNUInstallDirs)
set(ZELVAN_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/zelvan)

foreach(program zelvan zelvan-modsim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES packaging/zelvan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/zelvan.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/zelvan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The lintian tags this package is known to raise, each with its reason.
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME zelvan)
# Running 24/7: an autostart entry (copied to ~/.config/autostart to enable it,
# or to /etc/xdg/autostart for every user) and a systemd user unit.
install(FILES packaging/zelvan-autostart.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/zelvan)
configure_file(packaging/zelvan.service ${CMAKE_BINARY_DIR}/zelvan.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/zelvan.service DESTINATION lib/systemd/user)

# Documents: the README, the behaviour notes, the reliability figures, the
# copyright file, the changelog (compressed, as Debian keeps it), and the
# example broker and receiving-centre settings when the sources have them.
install(FILES README.md docs/BEHAVIOUR.md docs/RELIABILITY.md docs/DC09.md packaging/copyright
        DESTINATION ${ZELVAN_DOCDIR})
foreach(example mqtt.ini.example dc09.ini.example)
  if(EXISTS ${CMAKE_SOURCE_DIR}/packaging/${example})
    install(FILES packaging/${example} DESTINATION ${ZELVAN_DOCDIR}/examples)
  endif()
endforeach()

find_program(GZIP_EXECUTABLE gzip)
# The changelog names each version itself: scripts/package-check.sh checks
# that its newest entry is the version above.
configure_file(packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)
if(GZIP_EXECUTABLE)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${GZIP_EXECUTABLE} -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(zelvan_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${ZELVAN_DOCDIR})
endif()

# Manual pages, written in scdoc (docs/man/*.scd) and compressed. scdoc comes
# with scripts/ensure-deps.sh; on a machine without it the build goes on
# without the pages (and scripts/package.sh refuses to make a package).
find_program(SCDOC_EXECUTABLE scdoc)
set(ZELVAN_MAN_PAGES zelvan.1 zelvan-modsim.1)
if(SCDOC_EXECUTABLE AND GZIP_EXECUTABLE)
  set(man_outputs)
  foreach(page IN LISTS ZELVAN_MAN_PAGES)
    set(dir ${CMAKE_BINARY_DIR}/man)
    configure_file(docs/man/${page}.scd ${dir}/${page}.scd @ONLY)
    add_custom_command(
      OUTPUT ${dir}/${page}.gz
      COMMAND ${SCDOC_EXECUTABLE} < ${page}.scd > ${page}
      COMMAND ${GZIP_EXECUTABLE} -9nkf ${page}
      DEPENDS ${dir}/${page}.scd
      WORKING_DIRECTORY ${dir})
    list(APPEND man_outputs ${dir}/${page}.gz)
    install(FILES ${dir}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  add_custom_target(zelvan_man ALL DEPENDS ${man_outputs})
else()
  message(STATUS "scdoc or gzip not found: the manual pages are not built")
endif()

# The Debian package: zelvan_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zelvan Panel Project")
set(CPACK_PACKAGE_CONTACT "Zelvan Panel Project <support@zelvan-panel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "operator's panel of the Zelvan 064 central monitoring station")
# The summary above is the first line of the description, this the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Zelvan 064 is a central monitoring station for a wired security-alarm
network: up to eight line-monitoring modules, 128 guarded objects each,
report over one or two serial lines, directly or through a hub.

The panel brings the modules on line, keeps the guard state of all 1024
objects, shows them on a grid of buttons, raises violations in a blinking,
sounding alarm list, lists every event, archives everything in daily files,
and lets the operator take and release objects, measure a line live and set
its thresholds.

The package also holds zelvan-modsim, a simulator of the hub and the modules
on pseudo-terminals for demonstrations, operator training and tests.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zelvan-panel.example/")
set(CPACK_STRIP_FILES ON)
# Libraries the programs link: computed from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the Qt plugins and the font. On Debian the
# platform plugins xcb and offscreen come with libqt6gui6, the multimedia
# backends with libqt6multimedia6 and the CUPS print plugin with
# libqt6printsupport6, which the programs link, so the computed dependencies
# hold them already (scripts/package-check.sh checks that they are there).
# DejaVu Sans, the font of the panel, is named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
# Wayland sessions run it through XWayland without qt6-wayland; printing needs a
# CUPS server, the alarm tone a sound server.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland, cups, pipewire-pulse | pulseaudio")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY zelvan)
include(CPack)
