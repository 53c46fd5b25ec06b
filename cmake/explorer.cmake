# The Explorer handlers (explorer/): one COM in-process server DLL with the
# thumbnail provider and the preview handler, built from the same document,
# text-reading, composer and thumbnail-plan code as tavelin-render and the
# viewer. Included by the win32 build (the 32-bit DLL) and the win64 build
# (the 64-bit DLL), each with its own Wine prefix for the tests.
#   EXPLORER_ARCH_FLAGS   compile flags of the architecture
#   EXPLORER_LINK_FLAGS   link flags of the architecture
#   EXPLORER_SUFFIX       x86 or x64, in the DLL's name
#   EXPLORER_FORMAT       objdump's name of the DLL's format
file(GLOB EXPLORER_OWN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/explorer/*.cpp)
# A document from bytes (the tests read streams with these too).
set(EXPLORER_DOCUMENT_SOURCES
  ${CMAKE_SOURCE_DIR}/app/globals_win32.cpp
  ${CMAKE_SOURCE_DIR}/document/ansi_canvas.cpp
  ${CMAKE_SOURCE_DIR}/document/ansi_palette.cpp
  ${CMAKE_SOURCE_DIR}/document/ansi_reader.cpp
  ${CMAKE_SOURCE_DIR}/document/art_format.cpp
  ${CMAKE_SOURCE_DIR}/document/cp437.cpp
  ${CMAKE_SOURCE_DIR}/document/document_storage_win32.cpp
  ${CMAKE_SOURCE_DIR}/document/line_table.cpp
  ${CMAKE_SOURCE_DIR}/document/text_document.cpp
  ${CMAKE_SOURCE_DIR}/document/text_encoding.cpp
  ${CMAKE_SOURCE_DIR}/document/text_reading.cpp
  ${CMAKE_SOURCE_DIR}/render/document_bytes.cpp)
set(EXPLORER_SHARED_SOURCES ${EXPLORER_DOCUMENT_SOURCES}
  ${CMAKE_SOURCE_DIR}/app/settings_win32.cpp
  ${CMAKE_SOURCE_DIR}/render/image_plan.cpp
  ${CMAKE_SOURCE_DIR}/render/pixel_rows.cpp
  ${CMAKE_SOURCE_DIR}/view/display_scale.cpp
  ${CMAKE_SOURCE_DIR}/view/frame_composer.cpp
  ${CMAKE_SOURCE_DIR}/view/scroll_position.cpp
  ${CMAKE_SOURCE_DIR}/view/vga_font.cpp
  ${CMAKE_SOURCE_DIR}/view/wheel_notches.cpp
  ${CMAKE_SOURCE_DIR}/view/window_dpi_win32.cpp)
set(EXPLORER_DLL tavelin-explorer-${EXPLORER_SUFFIX})
# Exceptions stay on here: the renderer's row buffers are standard vectors,
# and a buffer that cannot be had must become an HRESULT, not end the host.
add_library(${EXPLORER_DLL} SHARED ${EXPLORER_OWN_SOURCES} ${EXPLORER_SHARED_SOURCES}
  ${CMAKE_SOURCE_DIR}/explorer/explorer.def)
set_target_properties(${EXPLORER_DLL} PROPERTIES PREFIX "" OUTPUT_NAME ${EXPLORER_DLL})
target_include_directories(${EXPLORER_DLL} PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(${EXPLORER_DLL} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _WIN32_WINNT=0x0A00)
target_compile_options(${EXPLORER_DLL} PRIVATE -O2 -Wall -Wextra -Wno-unused-parameter -fno-rtti
  -ffunction-sections -fdata-sections ${EXPLORER_ARCH_FLAGS})
# No runtime DLLs beyond the system's: the C++ and GCC runtimes linked in.
target_link_options(${EXPLORER_DLL} PRIVATE -static -static-libgcc -static-libstdc++ -s
  -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat ${EXPLORER_LINK_FLAGS})
target_link_libraries(${EXPLORER_DLL} PRIVATE ole32 uuid user32 gdi32 advapi32 kernel32)
# Its machine, exports and imports, read from the file (no Wine needed).
add_test(NAME explorer_image COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-explorer-image.sh
  $<TARGET_FILE:${EXPLORER_DLL}> ${EXPLORER_FORMAT})
set_tests_properties(explorer_image PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")

# What a thumbnail costs, through the DLL (make bench).
add_executable(tavelin_explorer_bench_${EXPLORER_SUFFIX} EXCLUDE_FROM_ALL
  ${CMAKE_SOURCE_DIR}/bench/explorer/bench_explorer_win32.cpp ${EXPLORER_SHARED_SOURCES})
target_include_directories(tavelin_explorer_bench_${EXPLORER_SUFFIX} PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tavelin_explorer_bench_${EXPLORER_SUFFIX} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0A00)
target_compile_options(tavelin_explorer_bench_${EXPLORER_SUFFIX} PRIVATE -O2 ${EXPLORER_ARCH_FLAGS})
target_link_libraries(tavelin_explorer_bench_${EXPLORER_SUFFIX} PRIVATE shlwapi ole32 uuid psapi user32 gdi32
  advapi32)
target_link_options(tavelin_explorer_bench_${EXPLORER_SUFFIX} PRIVATE -static -static-libgcc -static-libstdc++)
add_dependencies(tavelin_explorer_bench_${EXPLORER_SUFFIX} ${EXPLORER_DLL})

# A thumbnail from the DLL to a BMP file (the README's picture).
add_executable(explorer_thumbnail_${EXPLORER_SUFFIX} EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/explorer_thumbnail_win32.cpp)
target_compile_definitions(explorer_thumbnail_${EXPLORER_SUFFIX} PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
target_link_libraries(explorer_thumbnail_${EXPLORER_SUFFIX} PRIVATE shlwapi ole32 uuid user32 gdi32)
target_link_options(explorer_thumbnail_${EXPLORER_SUFFIX} PRIVATE -static -static-libgcc -static-libstdc++)
