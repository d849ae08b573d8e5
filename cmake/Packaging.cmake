# Installation and the Debian package.
#   cmake --install <build> [--prefix DIR]     programs, desktop entry, icons, man page
#   cd <build> && cpack -G DEB                  orbixrx_<version>_<arch>.deb
include(GNUInstallDirs)

install(TARGETS orbixctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The windowed program joins once its target exists.
if(TARGET orbixrx)
  install(TARGETS orbixrx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/res/orbixrx.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The icon theme sizes, drawn by tools/make_artwork and committed.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/res/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        FILES_MATCHING PATTERN "orbixrx.png")

# Man pages go compressed; -n keeps the archive free of the build's time and
# name, so two builds of one source give the same package.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(ORBIXRX_MANPAGE ${CMAKE_BINARY_DIR}/man/orbixctl.1.gz)
add_custom_command(
  OUTPUT ${ORBIXRX_MANPAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${GZIP_PROGRAM} -n -9 -c ${CMAKE_SOURCE_DIR}/docs/orbixctl.1 > ${ORBIXRX_MANPAGE}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/orbixctl.1
  VERBATIM)
add_custom_target(orbixrx_manpage ALL DEPENDS ${ORBIXRX_MANPAGE})
install(FILES ${ORBIXRX_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbixrx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "OrbixRx")
set(CPACK_PACKAGE_CONTACT "OrbixRx developers <orbixrx@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for a PCI DVB-S satellite data-receiver card")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the card on the PCI bus, checks it and loads its logic, tunes and keeps the
demodulator locked, keeps a channel database, searches the programs of a
transponder, programs the card's PID filter and plays programs with VLC.
Includes orbixctl, the command-line companion. Without a card it runs on a
built-in simulated card.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (libc, libstdc++, the Qt 6 libraries) come from
# dpkg-shlibdeps; what is loaded at run time without being linked is named
# here: the fonts the texts and the skin are drawn with and Qt's platform
# plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(ORBIXRX_PACKAGE_DEPENDS "fonts-wqy-microhei, fonts-liberation2")
if(TARGET orbixrx)
  string(APPEND ORBIXRX_PACKAGE_DEPENDS ", qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${ORBIXRX_PACKAGE_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "vlc, dtv-scan-tables, qt6-translations-l10n, ffmpeg")
# setcap, to let the real card be driven without root.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libcap2-bin")
include(CPack)
