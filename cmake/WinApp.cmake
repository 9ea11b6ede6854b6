# The Windows program LumenKorvo.exe, its resources and artwork, and its window test driver.
# Included by the top-level CMakeLists for the cross build.

# The artwork tool runs on the build machine, so it is built with the host compiler.
set(KORVO_ART_DIR ${CMAKE_BINARY_DIR}/artwork)
set(KORVO_ART_TOOL ${CMAKE_BINARY_DIR}/host/korvo_art)
set(KORVO_ART_FILES
  skin.bmp skin_pressed.bmp display_font.bmp shape.bmp app.ico playlist.ico doc_audio.ico doc_list.ico
  mini_pause.ico mini_play.ico mini_stop.ico mini_next.ico mini_prev.ico
  tray0.ico tray1.ico tray2.ico tray3.ico tray4.ico tray5.ico tray6.ico tray7.ico tray8.ico tray9.ico tray10.ico)
foreach(scale 125 150 175 200 250 300)
  list(APPEND KORVO_ART_FILES skin_${scale}.bmp skin_pressed_${scale}.bmp shape_${scale}.bmp)
endforeach()
list(TRANSFORM KORVO_ART_FILES PREPEND ${KORVO_ART_DIR}/ OUTPUT_VARIABLE KORVO_ART_OUTPUTS)

add_custom_command(
  OUTPUT ${KORVO_ART_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND c++ -O2 -std=c++20 -I ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools/korvo_art.cpp -o ${KORVO_ART_TOOL}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/korvo_art.cpp ${CMAKE_SOURCE_DIR}/tools/display_font_glyphs.h
          ${CMAKE_SOURCE_DIR}/src/app/win32/display_font_layout.h
  COMMENT "Building the artwork tool for the build machine")
add_custom_command(
  OUTPUT ${KORVO_ART_OUTPUTS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVO_ART_DIR}
  COMMAND ${KORVO_ART_TOOL} ${KORVO_ART_DIR}
  DEPENDS ${KORVO_ART_TOOL}
  COMMENT "Drawing the skin and the icons")

# Resources compiled by windres into an object file.
set(KORVO_RES_OBJ ${CMAKE_BINARY_DIR}/korvo_res.o)
add_custom_command(
  OUTPUT ${KORVO_RES_OBJ}
  COMMAND ${CMAKE_RC_COMPILER} -I ${CMAKE_SOURCE_DIR}/src/app/win32 -I ${CMAKE_SOURCE_DIR}/resources
          -I ${KORVO_ART_DIR} -I ${CMAKE_BINARY_DIR}/generated -i ${CMAKE_SOURCE_DIR}/resources/korvo.rc -o ${KORVO_RES_OBJ}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/korvo.rc ${CMAKE_SOURCE_DIR}/resources/LumenKorvo.manifest
          ${CMAKE_SOURCE_DIR}/src/app/win32/resource_ids.h ${CMAKE_BINARY_DIR}/generated/korvo_version.h
          ${KORVO_ART_OUTPUTS}
  COMMENT "Compiling the resources")
set_source_files_properties(${KORVO_RES_OBJ} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)

# Everything of the program except its entry point, so the test driver can link it too.
file(GLOB KORVO_WINAPP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/app/win32/*.cpp ${CMAKE_SOURCE_DIR}/src/playlist/ui/*.cpp)
list(FILTER KORVO_WINAPP_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
add_library(korvo_winapp STATIC ${KORVO_WINAPP_SOURCES})
target_link_libraries(korvo_winapp PUBLIC korvo_core comctl32 comdlg32 shell32 gdi32 user32 uuid oleacc ole32 oleaut32)

add_executable(LumenKorvo WIN32 ${CMAKE_SOURCE_DIR}/src/app/win32/winmain.cpp ${KORVO_RES_OBJ})
target_link_libraries(LumenKorvo PRIVATE korvo_winapp)
set_target_properties(LumenKorvo PROPERTIES OUTPUT_NAME LumenKorvo)

# The window test driver: starts LumenKorvo.exe and checks it through its own interfaces.
file(GLOB KORVO_UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ui/*.cpp)
if(KORVO_UI_TEST_SOURCES)
  add_executable(korvo_ui_tests ${KORVO_UI_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/tests/test_support.cpp
                 ${CMAKE_SOURCE_DIR}/tests/net/stream_server.cpp ${CMAKE_SOURCE_DIR}/tests/net/stream_server_win32.cpp
                 ${KORVO_RES_OBJ})
  target_include_directories(korvo_ui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(korvo_ui_tests PRIVATE korvo_winapp gtest gtest_main crypt32)
  target_compile_definitions(korvo_ui_tests PRIVATE KORVO_BUILD_DIR="${CMAKE_BINARY_DIR}"
                             KORVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KORVO_ART_DIR="${KORVO_ART_DIR}")
  add_dependencies(korvo_ui_tests LumenKorvo)
endif()
