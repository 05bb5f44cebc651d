add_library(hk_platform_console STATIC ${HK_PLATFORM_IMPL}/console.cpp)
target_include_directories(hk_platform_console PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(hk_platform_console PRIVATE hk_warnings)
