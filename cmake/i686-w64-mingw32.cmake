# Cross build of the 32-bit Windows products with mingw-w64; the programs run
# under Wine's 32-bit loader.
set(XVF_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# Windows XP (5.1) as the oldest system.
set(XVF_MINGW_OLDEST_WINDOWS 5.1)
# Baseline: MMX with integer SSE and x87 floating point (Pentium III); wider
# sets only in files named for them. Double arithmetic stays IEEE binary64
# because the plug-in holds the x87 precision control at 53 bits while it
# computes. The host may call with a 4-byte aligned stack, so every function
# realigns.
# (Applied by the top CMakeLists.txt as compile options, so a tree configured
# before a change here takes the change too.)
set(XVF_TARGET_OPTIONS -march=pentium3 -mtune=generic -mfpmath=387 -mstackrealign)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
