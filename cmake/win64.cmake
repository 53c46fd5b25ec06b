# The 64-bit build: the Explorer handlers' DLL (Explorer on every current
# Windows is a 64-bit program) and its tests under 64-bit Wine. The viewer
# ships as a 32-bit program; its sources are also built here for x86-64 with
# the same tests (label "viewer"), which run where a machine cannot run
# 32-bit programs (make test-win64).
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(EXPLORER_ARCH_FLAGS)
set(EXPLORER_SUFFIX x64)
set(EXPLORER_FORMAT pei-x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/explorer.cmake)

set(ARCH_FLAGS)
set(VIEWER_DLLTOOL x86_64-w64-mingw32-dlltool)
set(VIEWER_ENTRY tavelinEntry)
set(VIEWER_STDCALL_DECORATED OFF)
set(VIEWER_MANIFEST_ARCH amd64)
set(TAVELIN_WINEARCH_NAME win64)
if(EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  add_googletest()
  include(${CMAKE_CURRENT_LIST_DIR}/explorer_tests.cmake)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/viewer.cmake)
