# The 64-bit build: the Explorer handlers' DLL (Explorer on every current
# Windows is a 64-bit program) and its tests under 64-bit Wine. The viewer is
# a 32-bit program and is not built here.
set(EXPLORER_ARCH_FLAGS)
set(EXPLORER_SUFFIX x64)
set(EXPLORER_FORMAT pei-x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/explorer.cmake)

if(EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  add_googletest()
  set(TAVELIN_WINEARCH_NAME win64)
  include(${CMAKE_CURRENT_LIST_DIR}/explorer_tests.cmake)
endif()
