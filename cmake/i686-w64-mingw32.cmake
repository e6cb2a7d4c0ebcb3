# Cross build of the 32-bit Windows products with mingw-w64.
# XVF_MINGW_THREADS picks the compilers' thread model: posix by default (the
# tests need it: GoogleTest and std::thread), win32 for the plug-in DLL, whose
# runtime then has no winpthread and imports only what Windows XP SP3 has
# (i686-w64-mingw32-win32-threads.cmake sets it).
if(NOT DEFINED XVF_MINGW_THREADS)
  set(XVF_MINGW_THREADS posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${XVF_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${XVF_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Baseline: MMX with integer SSE and x87 floating point (Pentium III); wider
# sets only in files named for them. Double arithmetic stays IEEE binary64
# because the plug-in holds the x87 precision control at 53 bits while it
# computes. The host may call with a 4-byte aligned stack, so every function
# realigns.
# (Applied by the top CMakeLists.txt as compile options, so a tree configured
# before a change here takes the change too.)
set(XVF_TARGET_OPTIONS -march=pentium3 -mtune=generic -mfpmath=387 -mstackrealign)
# Self-contained binaries: no libgcc, libstdc++ or winpthread DLL beside them.
# No time stamp in the PE header, so a link gives the same bytes every time;
# Windows XP (5.1) as the oldest system, and the default DYNAMIC_BASE and
# NX_COMPAT.
set(xvf_link_flags "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
string(APPEND xvf_link_flags " -Wl,--major-os-version=5,--minor-os-version=1")
string(APPEND xvf_link_flags " -Wl,--major-subsystem-version=5,--minor-subsystem-version=1")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${xvf_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${xvf_link_flags}")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
