# hk_far1x_family(SOURCES ... [LIBS ...]): the targets of a family that
# speaks FAR 1.x's single-byte interface, built from this folder's code with
# the calling family's folder (its family.h) on the include path, plus the
# family's own SOURCES and LIBS. The family then names the library and its
# exports as its host finds them.
set(HK_FAR1X_DIR ${CMAKE_CURRENT_LIST_DIR})

function(hk_far1x_family)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_library(hk_host STATIC
    ${HK_FAR1X_DIR}/far1x_host.cpp ${HK_FAR1X_DIR}/far1x_dialogs.cpp ${F_SOURCES})
  target_include_directories(hk_host PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(hk_host
    PUBLIC hk_seam hk_settings ${F_LIBS}
    PRIVATE hk_platform_registry hk_platform_console hk_warnings hk_cold_code)

  add_library(hk_exports OBJECT ${HK_FAR1X_DIR}/exports.cpp)
  target_link_libraries(hk_exports PUBLIC hk_host hk_settings PRIVATE hk_warnings hk_cold_code)

  add_library(hashkeep_plugin SHARED)
  target_link_libraries(hashkeep_plugin PRIVATE
    hk_exports hk_operations hk_settings hk_host hk_warnings)
  if(NOT WIN32)
    # The five entry points and nothing else.
    target_link_options(hashkeep_plugin PRIVATE -Wl,--version-script=${HK_FAR1X_DIR}/hashkeep.map)
    set_property(TARGET hashkeep_plugin APPEND PROPERTY LINK_DEPENDS ${HK_FAR1X_DIR}/hashkeep.map)
  endif()
endfunction()
