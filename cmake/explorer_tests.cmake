# The Explorer handlers' tests under Wine (tests/explorer/run.sh): registered
# with regsvr32, loaded from the registered path, compared with tavelin-render.
# Included after GoogleTest is added, by the win32 and the win64 build.
file(GLOB EXPLORER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/explorer/*.cpp)
set(EXPLORER_TESTS tavelin_explorer_tests_${EXPLORER_SUFFIX})
add_executable(${EXPLORER_TESTS} ${EXPLORER_TEST_SOURCES}
  ${CMAKE_SOURCE_DIR}/explorer/stream_document_win32.cpp ${EXPLORER_DOCUMENT_SOURCES}
  ${CMAKE_SOURCE_DIR}/tests/support/win32_gdi_count.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/win32_memory_probe.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/win32_program_run.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/win32_unix_command.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/win32_test_helpers.cpp)
target_include_directories(${EXPLORER_TESTS} PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(${EXPLORER_TESTS} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_compile_options(${EXPLORER_TESTS} PRIVATE ${EXPLORER_ARCH_FLAGS})
target_link_libraries(${EXPLORER_TESTS} PRIVATE gtest shlwapi ole32 uuid user32 gdi32 advapi32)
target_link_options(${EXPLORER_TESTS} PRIVATE -static -static-libgcc -static-libstdc++)
add_dependencies(${EXPLORER_TESTS} ${EXPLORER_DLL})
add_test(NAME explorer_handlers COMMAND ${CMAKE_SOURCE_DIR}/tests/explorer/run.sh ${TAVELIN_WINEARCH_NAME}
  $<TARGET_FILE:${EXPLORER_TESTS}> $<TARGET_FILE:${EXPLORER_DLL}>)
# Registry, screen and focus are the Wine prefix's: no test runs beside it.
set_tests_properties(explorer_handlers PROPERTIES RESOURCE_LOCK wine_desktop)
