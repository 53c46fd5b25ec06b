# Native build of the platform-free code: unit tests under the sanitizers,
# benchmarks and fuzz targets. The host_*.cpp files of tests/support stand in
# for the handful of platform services that the portable code calls.
if(TAVELIN_SANITIZE)
  # The program's classes are built without RTTI, which UBSan's vptr check
  # would need (tests that use them would ask for their typeinfo).
  set(SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_compile_options(${SANITIZE_FLAGS})
  add_link_options(${SANITIZE_FLAGS})
endif()

# The fuzzers learn from the coverage of the program's code, not just their own.
if(TAVELIN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The viewer's platform-free code, shared with the command-line renderer.
add_library(tavelin_shared STATIC ${PORTABLE_SOURCES})
target_include_directories(tavelin_shared PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tavelin_shared PRIVATE ${PROGRAM_FLAGS} -O2)

# tavelin-render: the renderer's code, its POSIX platform edge and main.
find_package(PNG REQUIRED)
file(READ ${CMAKE_SOURCE_DIR}/VERSION TAVELIN_VERSION)
string(STRIP "${TAVELIN_VERSION}" TAVELIN_VERSION)
file(GLOB RENDER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/render/*.cpp)
set(RENDER_EDGE ${CMAKE_SOURCE_DIR}/render/main.cpp ${CMAKE_SOURCE_DIR}/render/render_platform.cpp)
list(REMOVE_ITEM RENDER_SOURCES ${RENDER_EDGE})
add_library(tavelin_render_core STATIC ${RENDER_SOURCES})
target_compile_options(tavelin_render_core PRIVATE -Wall -Wextra -O2)
target_link_libraries(tavelin_render_core PUBLIC tavelin_shared PNG::PNG)
add_executable(tavelin-render ${RENDER_EDGE})
target_compile_options(tavelin-render PRIVATE -Wall -Wextra -O2)
target_compile_definitions(tavelin-render PRIVATE TAVELIN_VERSION="${TAVELIN_VERSION}")
target_link_libraries(tavelin-render PRIVATE tavelin_render_core)

# Tests, benchmarks and fuzzers: the shared and renderer code on top of the
# native stand-ins of tests/support.
set(HOST_SUPPORT ${TEST_SUPPORT_SOURCES})
list(FILTER HOST_SUPPORT EXCLUDE REGEX "win32_.*\\.cpp$")
# An object library: its stand-ins are linked whole, so they serve the
# shared code whichever order the linker meets the libraries in.
add_library(tavelin_portable OBJECT ${HOST_SUPPORT})
target_compile_options(tavelin_portable PRIVATE ${PROGRAM_FLAGS} -O2)
target_link_libraries(tavelin_portable PUBLIC tavelin_render_core tavelin_shared)

if(TAVELIN_FUZZ)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(src ${FUZZ_SOURCES})
    # fuzz/fuzz_x.cpp becomes the target fuzz_x, seeded from fuzz/corpus/fuzz_x.
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE tavelin_portable)
  endforeach()
  return()
endif()

add_googletest()
file(GLOB HOST_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(tavelin_host_tests ${HOST_TEST_SOURCES})
target_link_libraries(tavelin_host_tests PRIVATE tavelin_portable gtest gtest_main)
# The command's tests run the program built beside them.
add_dependencies(tavelin_host_tests tavelin-render)
target_compile_definitions(tavelin_host_tests PRIVATE TAVELIN_RENDER_EXE="$<TARGET_FILE:tavelin-render>"
  TAVELIN_VERSION_FILE="${CMAKE_SOURCE_DIR}/VERSION")
include(GoogleTest)
gtest_discover_tests(tavelin_host_tests DISCOVERY_MODE PRE_TEST)

find_package(benchmark QUIET)
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(benchmark_FOUND AND BENCH_SOURCES AND NOT TAVELIN_SANITIZE)
  add_executable(tavelin_bench ${BENCH_SOURCES})
  target_compile_options(tavelin_bench PRIVATE -O2 -march=x86-64 -msse2)
  # bench/bench_main.cpp holds main: it measures the load's peak memory in a
  # fresh process, runs the benchmarks and prints the ratios.
  target_link_libraries(tavelin_bench PRIVATE tavelin_portable benchmark::benchmark)
endif()
