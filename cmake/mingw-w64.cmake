# What the Windows cross builds share; the toolchain file of each tree sets
# XVF_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32), its processor,
# its code options and the emulator that runs its programs, then includes this.
# XVF_MINGW_THREADS picks the compilers' thread model: posix by default (the
# tests need it: GoogleTest and std::thread), win32 for the plug-in DLL, whose
# runtime then has no winpthread (the *-win32-threads.cmake files set it).
if(NOT DEFINED XVF_MINGW_THREADS)
  set(XVF_MINGW_THREADS posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${XVF_MINGW_TRIPLE}-gcc-${XVF_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${XVF_MINGW_TRIPLE}-g++-${XVF_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${XVF_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${XVF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Self-contained binaries: no libgcc, libstdc++ or winpthread DLL beside them.
# No time stamp in the PE header, so a link gives the same bytes every time;
# XVF_MINGW_OLDEST_WINDOWS (major.minor) as the oldest system, and the default
# DYNAMIC_BASE and NX_COMPAT.
string(REPLACE "." ";" xvf_oldest "${XVF_MINGW_OLDEST_WINDOWS}")
list(GET xvf_oldest 0 xvf_oldest_major)
list(GET xvf_oldest 1 xvf_oldest_minor)
set(xvf_link_flags "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
string(APPEND xvf_link_flags " -Wl,--major-os-version=${xvf_oldest_major},--minor-os-version=${xvf_oldest_minor}")
string(APPEND xvf_link_flags
  " -Wl,--major-subsystem-version=${xvf_oldest_major},--minor-subsystem-version=${xvf_oldest_minor}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${xvf_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${xvf_link_flags}")
