# The Windows program as shipped (PE32, i386), its resources and its
# Wine-run tests, and the Explorer handlers' 32-bit DLL.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Windows calls back into the program (window procedures, thread routines) with
# a stack aligned to 4 bytes only; realign where SSE2 code needs more.
set(ARCH_FLAGS -march=pentium4 -msse2 -mfpmath=sse -mstackrealign)
set(VIEWER_DLLTOOL i686-w64-mingw32-dlltool)
set(VIEWER_ENTRY _tavelinEntry@0)
set(VIEWER_STDCALL_DECORATED ON)
set(VIEWER_MANIFEST_ARCH x86)
set(TAVELIN_WINEARCH_NAME win32)
if(EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  add_googletest()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/viewer.cmake)

# The Explorer handlers' 32-bit DLL.
set(EXPLORER_ARCH_FLAGS ${ARCH_FLAGS})
set(EXPLORER_SUFFIX x86)
set(EXPLORER_FORMAT pei-i386)
# The .def names the exports plainly; their __stdcall symbols are decorated.
set(EXPLORER_LINK_FLAGS -Wl,--enable-stdcall-fixup)
include(${CMAKE_CURRENT_LIST_DIR}/explorer.cmake)
if(TARGET gtest)
  include(${CMAKE_CURRENT_LIST_DIR}/explorer_tests.cmake)
endif()

# The program file itself: PE32 GUI for i386, the six system DLLs only, small.
add_test(NAME program_image COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-program-image.sh $<TARGET_FILE:tavelin>)
set_tests_properties(program_image PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
