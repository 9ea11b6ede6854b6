# What gets installed and how it is packed: on Linux the korvo program as a Debian package.

set(CPACK_PACKAGE_NAME korvo)
set(CPACK_PACKAGE_VENDOR "LUMEN KORVO 2000")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "LUMEN KORVO 2000 developers <korvo@lumenkorvo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line MPEG audio player of LUMEN KORVO 2000")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(NOT KORVO_WIN)
  include(GNUInstallDirs)
  set(KORVO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/korvo)
  # Debian wants the page and the changelog compressed, reproducibly (-n: no name, no time).
  set(KORVO_PACK_DIR ${CMAKE_BINARY_DIR}/pack)
  add_custom_command(
    OUTPUT ${KORVO_PACK_DIR}/korvo.1.gz ${KORVO_PACK_DIR}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVO_PACK_DIR}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/korvo.1 > ${KORVO_PACK_DIR}/korvo.1.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${KORVO_PACK_DIR}/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/korvo.1 ${CMAKE_SOURCE_DIR}/packaging/changelog
    COMMENT "Compressing the manual page and the changelog")
  add_custom_target(korvo_pack_files ALL DEPENDS ${KORVO_PACK_DIR}/korvo.1.gz ${KORVO_PACK_DIR}/changelog.gz)

  install(TARGETS korvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KORVO_PACK_DIR}/korvo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${KORVO_DOC_DIR})
  install(FILES ${KORVO_PACK_DIR}/changelog.gz DESTINATION ${KORVO_DOC_DIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The shared libraries' packages (libpulse0, libcurl4, ...) come from dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "korvo plays MPEG-1, MPEG-2 and MPEG-2.5 audio of Layers I, II and III
with its own decoder, to PulseAudio or into WAV files. It also plays
playlists, folders and HTTP streams, decodes into WAV files, shows and
writes ID3v1 tags and writes PLS playlists.")
  include(CPack)
endif()

