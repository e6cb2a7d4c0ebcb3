# The 64-bit Windows cross build with the win32 thread-model compilers: the
# plug-in DLL's sub-build in the win64 tree.
set(XVF_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/x86_64-w64-mingw32.cmake)
