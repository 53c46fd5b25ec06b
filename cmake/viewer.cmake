# The viewer and its tests under Wine, for the architecture of the including
# file (cmake/win32.cmake: the program as shipped; cmake/win64.cmake: the same
# sources built for x86-64, whose tests stand in where 32-bit programs cannot run).
#   ARCH_FLAGS               compile flags of the architecture
#   VIEWER_DLLTOOL           dlltool of the architecture
#   VIEWER_ENTRY             the entry point's symbol
#   VIEWER_STDCALL_DECORATED whether __stdcall names end in @n
#   VIEWER_MANIFEST_ARCH     the manifest's processorArchitecture
# Its tests carry the label "viewer".
set(WIN32_LIBS kernel32 user32 gdi32 advapi32 comdlg32 comctl32)

# Portable and Win32 code of the program, shared by the program and the tests.
add_library(tavelin_core STATIC ${PORTABLE_SOURCES} ${WIN32_SOURCES})
target_include_directories(tavelin_core PUBLIC ${CMAKE_SOURCE_DIR})
# Small code throughout: the hot paths (composing a frame, splitting a file
# into lines) are table lookups and SSE2 and measured as fast at -Os as at -O2.
# No -fdata-sections: with it the PE compiler puts zero-filled tables in .data,
# where they take room in the file.
target_compile_options(tavelin_core PRIVATE ${PROGRAM_FLAGS} ${ARCH_FLAGS} -Os -ffunction-sections)
target_compile_definitions(tavelin_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX)
# CreateStatusWindowA is imported from comctl32 by ordinal, through a small
# import library that dlltool makes from app/comctl32_ordinals.def.
# On x86-64 a __stdcall name carries no @n, so the .def's names lose theirs.
set(ORDINAL_IMPORTS ${CMAKE_BINARY_DIR}/libcomctl32_ordinals.a)
set(ORDINAL_DEF ${CMAKE_SOURCE_DIR}/app/comctl32_ordinals.def)
if(NOT VIEWER_STDCALL_DECORATED)
  file(READ ${ORDINAL_DEF} ordinal_text)
  string(REGEX REPLACE "@[0-9]+ @" " @" ordinal_text "${ordinal_text}")
  set(ORDINAL_DEF ${CMAKE_BINARY_DIR}/comctl32_ordinals.def)
  file(WRITE ${ORDINAL_DEF} "${ordinal_text}")
endif()
add_custom_command(OUTPUT ${ORDINAL_IMPORTS}
  COMMAND ${VIEWER_DLLTOOL} -d ${ORDINAL_DEF} -l ${ORDINAL_IMPORTS}
  DEPENDS ${ORDINAL_DEF})
add_custom_target(comctl32_ordinals DEPENDS ${ORDINAL_IMPORTS})
add_dependencies(tavelin_core comctl32_ordinals)
target_link_libraries(tavelin_core PUBLIC ${ORDINAL_IMPORTS})

# Icons, cursors and the About bitmap are drawn as text under resources/art and
# turned into binary files at build time.
file(GLOB ART_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/art/*.txt)
set(ART_OUT ${CMAKE_BINARY_DIR}/resources)
set(ART_STAMP ${ART_OUT}/art.stamp)
add_custom_command(OUTPUT ${ART_STAMP}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_resources.py
          ${CMAKE_SOURCE_DIR}/resources/art ${ART_OUT}
  COMMAND ${CMAKE_COMMAND} -E touch ${ART_STAMP}
  DEPENDS ${ART_FILES} ${CMAKE_SOURCE_DIR}/tools/make_resources.py
  COMMENT "Drawing icons, cursors and bitmap from resources/art")
# The manifest and the version resource's numbers, from resources/tavelin.manifest
# and VERSION.
set(VERSION_OUT ${ART_OUT}/tavelin.manifest ${ART_OUT}/version.h)
add_custom_command(OUTPUT ${VERSION_OUT}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_version_resources.py
          ${CMAKE_SOURCE_DIR}/VERSION ${CMAKE_SOURCE_DIR}/resources/tavelin.manifest ${ART_OUT}
          ${VIEWER_MANIFEST_ARCH}
  DEPENDS ${CMAKE_SOURCE_DIR}/VERSION ${CMAKE_SOURCE_DIR}/resources/tavelin.manifest
          ${CMAKE_SOURCE_DIR}/tools/make_version_resources.py
  COMMENT "Writing the manifest and the version from VERSION")
add_custom_target(tavelin_art DEPENDS ${ART_STAMP} ${VERSION_OUT})
set(RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/tavelin.rc)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${ART_STAMP};${VERSION_OUT}")

# The program: its own entry point, no C runtime, six system DLLs.
add_executable(tavelin WIN32 ${PROGRAM_ONLY_SOURCES} ${RESOURCE_SCRIPT})
add_dependencies(tavelin tavelin_art)
target_include_directories(tavelin PRIVATE ${ART_OUT} ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(tavelin PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${PROGRAM_FLAGS} ${ARCH_FLAGS} -Os -ffreestanding>)
set_source_files_properties(${CMAKE_SOURCE_DIR}/app/runtime_win32.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns")
# The entry point is a __stdcall function, so on i386 its symbol is decorated
# (_tavelinEntry@0); ld only warns about an unknown entry and then starts at
# the top of .text, so the symbol is also required to exist.
target_link_options(tavelin PRIVATE -nostdlib -nostartfiles -Wl,-e,${VIEWER_ENTRY}
  -Wl,--require-defined=${VIEWER_ENTRY}
  -Wl,--gc-sections -s -Wl,--subsystem,windows -Wl,--dynamicbase -Wl,--nxcompat)
target_link_libraries(tavelin PRIVATE tavelin_core gcc ${WIN32_LIBS})

# Tests under Wine: GoogleTest (added by the including file), linked
# statically, against the real API. Without its sources only the program is built.
if(NOT TARGET gtest)
  message(STATUS "No GoogleTest sources in ${GTEST_SOURCE_DIR}: building the program only")
  return()
endif()
file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
set(WIN32_SUPPORT ${TEST_SUPPORT_SOURCES})
list(FILTER WIN32_SUPPORT EXCLUDE REGEX "host_.*\\.cpp$")
add_executable(tavelin_win32_tests ${WIN32_TEST_SOURCES} ${WIN32_SUPPORT} ${RESOURCE_SCRIPT})
add_dependencies(tavelin_win32_tests tavelin_art)
target_include_directories(tavelin_win32_tests PRIVATE ${ART_OUT} ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(tavelin_win32_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${ARCH_FLAGS}>)
target_link_libraries(tavelin_win32_tests PRIVATE tavelin_core gtest ${WIN32_LIBS})
target_link_options(tavelin_win32_tests PRIVATE -static -static-libgcc -static-libstdc++)
add_test(NAME win32_tests COMMAND tavelin_win32_tests)
# The Wine tests share one display, one registry and one clipboard, and move
# the keyboard focus: they never run beside each other.
set_tests_properties(win32_tests PROPERTIES RESOURCE_LOCK wine_desktop LABELS viewer)

# End-to-end tests start the real program and drive it.
file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(E2E_TEST_SOURCES)
  add_executable(tavelin_e2e_tests ${E2E_TEST_SOURCES} ${WIN32_SUPPORT})
  target_include_directories(tavelin_e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR})
  target_link_libraries(tavelin_e2e_tests PRIVATE tavelin_core gtest ${WIN32_LIBS})
  target_link_options(tavelin_e2e_tests PRIVATE -static -static-libgcc -static-libstdc++)
  add_dependencies(tavelin_e2e_tests tavelin)
  add_test(NAME e2e_tests COMMAND tavelin_e2e_tests --gtest_filter=-RandomInput*)
  # Seeded random input on the real program, its short pass (make soak runs the long one).
  add_test(NAME random_input COMMAND tavelin_e2e_tests --gtest_filter=RandomInput.*)
  # On a screen of 192 DPI (a Wine prefix of its own, scripts/wine-run.sh): the
  # real input, the file names (the first fit is the screen's) and a shorter
  # random pass. The screen images are compared with
  # the renderer's, which the host preset builds (make test builds it first).
  add_test(NAME e2e_192dpi COMMAND tavelin_e2e_tests --gtest_filter=RealInput.*:FileNames.*:AnsiArt.*)
  add_test(NAME random_input_192dpi COMMAND tavelin_e2e_tests --gtest_filter=RandomInput.ShortPass)
  set(E2E_ENVIRONMENT "TAVELIN_EXE=$<TARGET_FILE:tavelin>;TAVELIN_EXAMPLES=${CMAKE_SOURCE_DIR}/examples;TAVELIN_RENDER=${CMAKE_SOURCE_DIR}/build/host/tavelin-render")
  set_tests_properties(e2e_tests random_input PROPERTIES RESOURCE_LOCK wine_desktop LABELS viewer
    ENVIRONMENT "${E2E_ENVIRONMENT}")
  set_tests_properties(e2e_192dpi random_input_192dpi PROPERTIES RESOURCE_LOCK wine_desktop LABELS viewer
    ENVIRONMENT "${E2E_ENVIRONMENT};TAVELIN_WINE_DPI=192;TAVELIN_RANDOM_STEPS=400")
endif()

# Speed figures of the program's own code under Wine (make bench).
file(GLOB WIN32_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win32/*.cpp)
if(WIN32_BENCH_SOURCES)
  add_executable(tavelin_win32_bench EXCLUDE_FROM_ALL ${WIN32_BENCH_SOURCES} ${RESOURCE_SCRIPT})
  add_dependencies(tavelin_win32_bench tavelin_art)
  target_include_directories(tavelin_win32_bench PRIVATE ${ART_OUT} ${CMAKE_SOURCE_DIR}/resources)
  target_compile_options(tavelin_win32_bench PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${ARCH_FLAGS} -O2>)
  target_link_libraries(tavelin_win32_bench PRIVATE tavelin_core ${WIN32_LIBS})
  target_link_options(tavelin_win32_bench PRIVATE -static -static-libgcc -static-libstdc++)
endif()

