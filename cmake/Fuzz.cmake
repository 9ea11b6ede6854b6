# libFuzzer targets (clang only): the core is built with the fuzzer's coverage and the
# address and undefined-behaviour sanitizers. Each fuzz/fuzz_<name>.cpp is one target; its
# seeds are fuzz/corpus/<name>/ and its dictionary, where it has one, fuzz/<name>.dict.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "KORVO_FUZZ needs clang")
endif()

set(KORVO_COVERAGE_IGNORE ${CMAKE_SOURCE_DIR}/fuzz/coverage_ignore.txt)
target_compile_options(korvo_core PUBLIC -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
  -fsanitize-coverage-ignorelist=${KORVO_COVERAGE_IGNORE})
# The compiler reads the list but the build does not know it: an edited list must rebuild the core.
get_target_property(KORVO_CORE_SOURCES korvo_core SOURCES)
set_property(SOURCE ${KORVO_CORE_SOURCES} APPEND PROPERTY OBJECT_DEPENDS ${KORVO_COVERAGE_IGNORE})
target_link_options(korvo_core PUBLIC -fsanitize=address,undefined)

file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/fuzz_*.cpp)
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE korvo_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()

# The command-line splitter belongs to the Windows program but needs nothing of Windows.
target_sources(fuzz_command_line PRIVATE ${CMAKE_SOURCE_DIR}/src/app/win32/command_line.cpp)
