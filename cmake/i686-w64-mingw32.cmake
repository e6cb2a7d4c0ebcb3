# Cross build of the 32-bit Windows products with the mingw-w64 posix-thread compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
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
set(CMAKE_C_FLAGS_INIT "-march=pentium3 -mtune=generic -mfpmath=387 -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-march=pentium3 -mtune=generic -mfpmath=387 -mstackrealign")
# Self-contained binaries: no libgcc, libstdc++ or winpthread DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
