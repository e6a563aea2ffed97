# Installation (cmake --install) and the Debian package (cpack -G DEB, see scripts/package):
# /usr/bin/tarnwick-cli and /usr/bin/tarnwick, their manual pages, a desktop entry with icons
# painted by the window's own picture code, bash completion, a sample settings file and the
# Debian copyright and changelog files.
include(GNUInstallDirs)
set(TARNWICK_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(TARNWICK_STAGE ${PROJECT_BINARY_DIR}/packaging)
set(TARNWICK_DOC ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
# PLACEHOLDER, to be replaced by the owners: the project has chosen neither a maintainer
# address nor a licence yet. The one name and address below goes into the control file, the
# changelog and the copyright file alike; the copyright file's licence is marked the same way.
set(TARNWICK_MAINTAINER "Tarnwick developers <packages@tarnwick.example>")

if(TARGET tarnwick-cli)
  install(TARGETS tarnwick-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TARNWICK_PACKAGING}/tarnwick-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tarnwick-cli)
endif()

# Manual pages and the changelog carry the project's version; Debian wants them compressed,
# without a time stamp in the gzip header (gzip -n), so the package is reproducible too.
find_program(TARNWICK_GZIP gzip REQUIRED)
set(compressed)
foreach(page tarnwick-cli.1 tarnwick.1)
  configure_file(${TARNWICK_PACKAGING}/man/${page} ${TARNWICK_STAGE}/${page} @ONLY)
  list(APPEND compressed ${TARNWICK_STAGE}/${page})
endforeach()
configure_file(${TARNWICK_PACKAGING}/changelog ${TARNWICK_STAGE}/changelog @ONLY)
configure_file(${TARNWICK_PACKAGING}/copyright ${TARNWICK_STAGE}/copyright @ONLY)
list(APPEND compressed ${TARNWICK_STAGE}/changelog)
set(gz_outputs)
foreach(file IN LISTS compressed)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${TARNWICK_GZIP} -9nkf ${file}
    DEPENDS ${file} VERBATIM)
  list(APPEND gz_outputs ${file}.gz)
endforeach()
add_custom_target(tarnwick_compressed_docs ALL DEPENDS ${gz_outputs})
install(FILES ${TARNWICK_STAGE}/tarnwick-cli.1.gz ${TARNWICK_STAGE}/tarnwick.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TARNWICK_STAGE}/changelog.gz ${TARNWICK_STAGE}/copyright DESTINATION ${TARNWICK_DOC})
install(FILES ${TARNWICK_PACKAGING}/ZKT_CDDVDBurn.ini DESTINATION ${TARNWICK_DOC}/examples)

if(TARGET Tarnwick AND NOT WIN32)
  install(PROGRAMS $<TARGET_FILE:Tarnwick> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tarnwick)
  # Installed under another name than the target's, so CPack's stripping does not see it.
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarnwick\")")
  install(FILES ${TARNWICK_PACKAGING}/tarnwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The icon is the window's start picture, rendered offscreen at build time.
  add_custom_command(OUTPUT ${TARNWICK_STAGE}/icons/48x48/tarnwick.png
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
      $<TARGET_FILE:tarnwick-render-windows> --icons ${TARNWICK_STAGE}/icons
    DEPENDS tarnwick-render-windows VERBATIM)
  add_custom_target(tarnwick_icons ALL DEPENDS ${TARNWICK_STAGE}/icons/48x48/tarnwick.png)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${TARNWICK_STAGE}/icons/${size}x${size}/tarnwick.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TARNWICK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DVD copy utility: ISO 9660 images of discs and burning onto CD and DVD")
# CPack indents the lines itself; lines start unindented here and stay within 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnwick turns the files of a disc, or of any folder, into a new ISO 9660
image with Joliet long names, and burns an ISO image onto a blank CD or DVD
by sending SCSI multimedia (MMC) commands to the recorder through the SCSI
pass-through of the system. The package holds the desktop window (tarnwick)
and the command-line tool (tarnwick-cli), which can also emulate drives for
trying every job without hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarnwick.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
