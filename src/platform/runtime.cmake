# The Windows build links the C++ runtime statically; the plug-in DLL takes a
# few of its pieces from win32/lean_runtime.cpp instead (see there why). An
# object library, so that its definitions are always linked ahead of the
# runtime's own.
if(WIN32)
  add_library(hk_platform_lean_runtime OBJECT win32/lean_runtime.cpp)
  target_link_libraries(hk_platform_lean_runtime PRIVATE hk_warnings hk_cold_code)
endif()
