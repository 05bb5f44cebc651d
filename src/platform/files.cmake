add_library(hk_platform_files STATIC ${HK_PLATFORM_IMPL}/files.cpp)
target_include_directories(hk_platform_files PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(hk_platform_files PRIVATE hk_warnings hk_cold_code)
