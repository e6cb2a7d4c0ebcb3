# The 32-bit Windows cross build with the win32 thread-model compilers: the
# plug-in DLL's sub-build.
set(XVF_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
