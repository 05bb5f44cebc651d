# Cross build of the 32-bit Windows plug-in and tools with mingw-w64 (i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The host hands a 32-bit DLL only 4-byte stack alignment: every function that
# needs more realigns its own frame. The runtime is linked statically so the
# DLL and the tools import nothing but Windows system libraries.
set(CMAKE_C_FLAGS_INIT "-mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-mincoming-stack-boundary=2")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The plug-in DLL starts no threads: it is linked by the win32-threads variant
# of the same compiler, whose runtime locks with Win32 calls instead of
# needing the pthreads library (30 KiB of the DLL). Everything is compiled by
# the posix variant, which the tools need for std::thread; the variants'
# headers differ only in their threading parts, and code of the DLL that used
# those would leave a pthread_ name undefined and fail its link.
set(HASHKEEP_LEAN_RUNTIME_DRIVER i686-w64-mingw32-g++-win32)

# Test programs run as Win32 programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
