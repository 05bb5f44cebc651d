# Cross build for 64-bit Windows with mingw-w64 (x86_64): the engine and its
# tests, and the FAR 3 plug-in for the 64-bit FAR, which loads only 64-bit
# DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The x64 calling convention keeps the stack 16-byte aligned at every call,
# so nothing is realigned here. The runtime is linked statically, so that
# the DLL and the tools import nothing but Windows system libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# As for i686 (see there): DLLs link through the win32-threads variant.
set(HASHKEEP_LEAN_RUNTIME_DRIVER x86_64-w64-mingw32-g++-win32)

# Test programs run as 64-bit Windows programs under wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine64-run.sh")
