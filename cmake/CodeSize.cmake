# The code around the digests (the list formats, the checker, the dialogs,
# the settings, the platform layer) runs once per file, line or dialog and is
# compiled for size: that halves the plug-in's own code. src/digest keeps the
# build type's optimisation, since its kernels are what the speed depends on.
add_library(hk_cold_code INTERFACE)
target_compile_options(hk_cold_code INTERFACE $<$<CONFIG:Release>:-Os>)
