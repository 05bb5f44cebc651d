# The Windows build links the C++ runtime statically. The plug-in DLL (and
# the test of what it relies on) takes a leaner runtime: hk_use_lean_runtime
# links win32/lean_runtime.cpp (see there why) and, where the toolchain names
# one (HASHKEEP_LEAN_RUNTIME_DRIVER), links through the compiler's
# win32-threads variant, whose runtime needs no pthreads library.
if(NOT WIN32)
  return()
endif()

# An object library, so that its definitions are linked ahead of the runtime's own.
add_library(hk_platform_lean_runtime OBJECT win32/lean_runtime.cpp)
target_link_libraries(hk_platform_lean_runtime PRIVATE hk_warnings hk_cold_code)

function(hk_use_lean_runtime target)
  target_link_libraries(${target} PRIVATE hk_platform_lean_runtime)
  if(HASHKEEP_LEAN_RUNTIME_DRIVER)
    set_target_properties(${target} PROPERTIES CXX_LINKER_LAUNCHER
      "${PROJECT_SOURCE_DIR}/cmake/link-with.sh;${HASHKEEP_LEAN_RUNTIME_DRIVER}")
  endif()
endfunction()
