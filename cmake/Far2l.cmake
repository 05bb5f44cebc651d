# The far2l host family: far2l's core, built once by the snapshot's build.sh
# into a cache outside the tree (about five minutes on 2 cores the first
# time, nothing afterwards), and an interface target with its SDK and WinPort
# headers for the plug-in to compile against. Nothing of far2l is copied into
# the tree or linked: the far2l program exports WinPort to its plug-ins.
# The snapshot lies beside the project's folder (../shared/far2l), in CI too;
# $HASHKEEP_FAR2L_SNAPSHOT names another place.
set(far2l_snapshot "${PROJECT_SOURCE_DIR}/../shared/far2l")
if(DEFINED ENV{HASHKEEP_FAR2L_SNAPSHOT})
  set(far2l_snapshot "$ENV{HASHKEEP_FAR2L_SNAPSHOT}")
endif()
set(HASHKEEP_FAR2L_SNAPSHOT "${far2l_snapshot}" CACHE PATH
    "far2l's snapshot: the folder with build.sh and far2l-src.tar.xz")
set(HASHKEEP_FAR2L_CACHE "" CACHE PATH
    "Where build.sh builds far2l's core (empty: build.sh's default, ~/.cache/hashkeep-far2l)")

if(NOT EXISTS "${HASHKEEP_FAR2L_SNAPSHOT}/build.sh")
  message(FATAL_ERROR "far2l's snapshot is not at ${HASHKEEP_FAR2L_SNAPSHOT} "
                      "(set HASHKEEP_FAR2L_SNAPSHOT)")
endif()
message(STATUS "far2l: building its core once through ${HASHKEEP_FAR2L_SNAPSHOT}/build.sh")
set(far2l_arguments)
if(HASHKEEP_FAR2L_CACHE)
  list(APPEND far2l_arguments "${HASHKEEP_FAR2L_CACHE}")
endif()
set(far2l_log "${PROJECT_BINARY_DIR}/far2l-build.log")
execute_process(
  COMMAND bash "${HASHKEEP_FAR2L_SNAPSHOT}/build.sh" ${far2l_arguments}
  OUTPUT_VARIABLE FAR2L_PROGRAM
  ERROR_FILE "${far2l_log}"
  RESULT_VARIABLE far2l_result
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT far2l_result EQUAL 0 OR NOT EXISTS "${FAR2L_PROGRAM}")
  message(FATAL_ERROR "far2l's build failed (${far2l_result}); see ${far2l_log}")
endif()
message(STATUS "far2l: ${FAR2L_PROGRAM}")

# build.sh gives DIR/build/install/far2l; the sources lie in DIR/far2l.
get_filename_component(far2l_cache "${FAR2L_PROGRAM}/../../.." ABSOLUTE)
set(FAR2L_SOURCE_DIR "${far2l_cache}/far2l")

add_library(hk_far2l_sdk INTERFACE)
target_include_directories(hk_far2l_sdk SYSTEM INTERFACE
  "${FAR2L_SOURCE_DIR}/WinPort" "${FAR2L_SOURCE_DIR}/far2l/far2sdk")
target_compile_definitions(hk_far2l_sdk INTERFACE HASHKEEP_HOST_FAR2L)
