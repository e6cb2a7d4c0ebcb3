# Cross build of the same Win32 sources for x86-64: a test vehicle for
# machines whose kernel runs no 32-bit program, never shipped. Its programs
# run under Wine's 64-bit loader, called by its path: Debian's wine wrapper
# takes the 32-bit loader whenever wine32 is installed, even where it cannot
# run.
set(XVF_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# Windows XP x64 (5.2) as the oldest 64-bit system.
set(XVF_MINGW_OLDEST_WINDOWS 5.2)
# x86-64's own baseline (SSE2 maths); nothing to add.
set(XVF_TARGET_OPTIONS)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(XVF_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "Wine's 64-bit loader")
set(CMAKE_CROSSCOMPILING_EMULATOR ${XVF_WINE64})
