# What gets installed and how it is packed: on Linux the korvo program as a Debian package,
# on Windows the NSIS installer and a portable zip (see packaging/).

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
  # The program's icon for the desktop, drawn by the artwork tool (here the build machine's own
  # program), in the sizes the desktop entry is shown at.
  add_executable(korvo_art ${CMAKE_SOURCE_DIR}/tools/korvo_art.cpp)
  set(KORVO_ICON_SIZES 48 128)
  set(KORVO_ICONS)
  foreach(size ${KORVO_ICON_SIZES})
    list(APPEND KORVO_ICONS ${KORVO_PACK_DIR}/korvo_${size}.png)
  endforeach()
  add_custom_command(
    OUTPUT ${KORVO_ICONS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVO_PACK_DIR}
    COMMAND korvo_art ${KORVO_PACK_DIR} desktop
    DEPENDS korvo_art
    COMMENT "Drawing the desktop icon")
  add_custom_target(korvo_pack_files ALL DEPENDS ${KORVO_PACK_DIR}/korvo.1.gz ${KORVO_PACK_DIR}/changelog.gz ${KORVO_ICONS})

  install(TARGETS korvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KORVO_PACK_DIR}/korvo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${KORVO_DOC_DIR})
  install(FILES ${KORVO_PACK_DIR}/changelog.gz DESTINATION ${KORVO_DOC_DIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size ${KORVO_ICON_SIZES})
    install(FILES ${KORVO_PACK_DIR}/korvo_${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME korvo.png)
  endforeach()

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The linked libraries' packages come from dpkg-shlibdeps; the sound server's and the web
  # client's libraries are opened at run time, so dpkg-shlibdeps cannot see them. The session
  # bus's (libsystemd0) is only wanted on a desktop: recommended.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpulse0, libcurl4")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsystemd0")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "korvo plays MPEG-1, MPEG-2 and MPEG-2.5 audio of Layers I, II and III
with its own decoder, to PulseAudio or into WAV files. It also plays
playlists, folders and HTTP streams, decodes into WAV files, shows and
writes ID3v1 tags and writes PLS playlists.")
  include(CPack)
endif()

if(KORVO_WIN)
  # The setup program (NSIS) and a portable zip of the program and its readme.
  find_program(KORVO_MAKENSIS makensis)
  set(KORVO_SETUP ${CPACK_PACKAGE_DIRECTORY}/LumenKorvo-${PROJECT_VERSION}-setup.exe)
  set(KORVO_PORTABLE ${CPACK_PACKAGE_DIRECTORY}/LumenKorvo-${PROJECT_VERSION}-portable.zip)
  set(KORVO_PORTABLE_DIR ${CMAKE_BINARY_DIR}/portable)
  add_custom_command(
    OUTPUT ${KORVO_PORTABLE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KORVO_PORTABLE_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVO_PORTABLE_DIR} ${CPACK_PACKAGE_DIRECTORY}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:LumenKorvo> ${KORVO_PORTABLE_DIR}/
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/README.md ${KORVO_PORTABLE_DIR}/README.txt
    COMMAND ${CMAKE_COMMAND} -E chdir ${KORVO_PORTABLE_DIR}
            ${CMAKE_COMMAND} -E tar cf ${KORVO_PORTABLE} --format=zip LumenKorvo.exe README.txt
    DEPENDS LumenKorvo ${CMAKE_SOURCE_DIR}/README.md
    COMMENT "Packing the portable zip")
  set(KORVO_INSTALLER_OUTPUTS ${KORVO_PORTABLE})
  if(KORVO_MAKENSIS)
    add_custom_command(
      OUTPUT ${KORVO_SETUP}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CPACK_PACKAGE_DIRECTORY}
      COMMAND ${KORVO_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DEXE=$<TARGET_FILE:LumenKorvo>
              -DREADME=${CMAKE_SOURCE_DIR}/README.md -DICON=${KORVO_ART_DIR}/app.ico -DOUTFILE=${KORVO_SETUP}
              ${CMAKE_SOURCE_DIR}/packaging/installer.nsi
      DEPENDS LumenKorvo ${CMAKE_SOURCE_DIR}/packaging/installer.nsi ${CMAKE_SOURCE_DIR}/README.md ${KORVO_ART_DIR}/app.ico
      COMMENT "Making the setup program")
    list(APPEND KORVO_INSTALLER_OUTPUTS ${KORVO_SETUP})
  else()
    message(WARNING "makensis not found: no setup program (Debian package nsis)")
  endif()
  add_custom_target(installer ALL DEPENDS ${KORVO_INSTALLER_OUTPUTS})
endif()
