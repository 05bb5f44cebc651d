# The code around the digests (the list formats, the checker, the dialogs,
# the settings, the platform layer) runs once per file, line or dialog and is
# compiled for size: that halves the plug-in's own code. src/digest keeps the
# build type's optimisation, since its kernels are what the speed depends on.
add_library(hk_cold_code INTERFACE)
target_compile_options(hk_cold_code INTERFACE $<$<CONFIG:Release>:-Os>)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$")
  # The host calls with a 4-byte aligned stack; keeping 16 bytes for the
  # calls this code makes would cost each function that has a 64-bit local
  # a realigned frame (and its unwind entry). Code that needs more (the SSE
  # digest paths) realigns its own frame, as the toolchain file sets up.
  target_compile_options(hk_cold_code INTERFACE -mpreferred-stack-boundary=2)
endif()
