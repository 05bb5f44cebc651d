# On Windows the feeding of keys (for the substitute host) is an object of
# its own, so the plug-in, which only polls, links none of it.
set(console_sources ${HK_HOST_PLATFORM_IMPL}/console.cpp)
if(WIN32)
  list(APPEND console_sources win32/console_feed.cpp)
endif()
add_library(hk_platform_console STATIC ${console_sources})
target_include_directories(hk_platform_console PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(hk_platform_console PRIVATE hk_warnings hk_cold_code)
if(HK_HOST_PLATFORM_IMPL STREQUAL "far2l")
  target_link_libraries(hk_platform_console PRIVATE hk_far2l_sdk)
endif()
