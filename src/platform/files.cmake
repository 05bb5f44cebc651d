add_library(hk_platform_files STATIC ${HK_PLATFORM_IMPL}/files.cpp)
target_include_directories(hk_platform_files PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(hk_platform_files PRIVATE hk_warnings hk_cold_code)
if(WIN32)
  # What only programs use stays out of the plug-in; the native call opens a
  # file from a folder handle, as openat does.
  target_sources(hk_platform_files PRIVATE win32/program_files.cpp)
  target_link_libraries(hk_platform_files PUBLIC ntdll)
endif()
