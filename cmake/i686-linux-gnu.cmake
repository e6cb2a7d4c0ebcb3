# The portable core as 32-bit Linux code with the DLL's baseline (MMX with
# integer SSE, x87 maths), run under qemu-i386 emulating a Pentium III: its
# CPUID reports no SSE2, so the kernels take the MMX level.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(XVF_TARGET_OPTIONS -march=pentium3 -mtune=generic -mfpmath=387 -mstackrealign)
# Static programs: qemu-user then needs no 32-bit loader or libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -cpu pentium3)
