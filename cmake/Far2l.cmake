# The far2l host family: an interface target with far2l's SDK and WinPort
# headers for the plug-in to compile against. Nothing of far2l is copied into
# the tree or linked: the far2l program exports WinPort to its plug-ins.
#
# Users build against a far2l source tree they have (a clone or a release's
# sources; only the headers are read, nothing of it is built):
#   cmake --preset far2l -DHASHKEEP_FAR2L_SOURCE=DIR
# Without it the tests' snapshot is used (../shared/far2l, in CI too;
# $HASHKEEP_FAR2L_SNAPSHOT names another place), and its core is built once
# by the snapshot's build.sh, run from a private copy
# (cmake/snapshot-build.sh), into a cache outside the tree (about 3 minutes
# on 2 cores the first time, nothing afterwards), so that the end-to-end
# tests have a far2l to drive.
set(HASHKEEP_FAR2L_SOURCE "" CACHE PATH
    "A far2l source tree (with WinPort/ and far2l/far2sdk/) to build against, headers only; empty: the tests' snapshot, its core built")

if(HASHKEEP_FAR2L_SOURCE)
  get_filename_component(FAR2L_SOURCE_DIR "${HASHKEEP_FAR2L_SOURCE}" ABSOLUTE)
  foreach(header WinPort/WinPort.h far2l/far2sdk/farplug-mb.h)
    if(NOT EXISTS "${FAR2L_SOURCE_DIR}/${header}")
      message(FATAL_ERROR "HASHKEEP_FAR2L_SOURCE=${HASHKEEP_FAR2L_SOURCE} is no far2l source tree: "
                          "${header} is not in it")
    endif()
  endforeach()
  # No far2l program is built: the end-to-end tests need the snapshot's.
  set(FAR2L_PROGRAM "")
  message(STATUS "far2l: the headers of ${FAR2L_SOURCE_DIR}")
else()
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
                        "(set HASHKEEP_FAR2L_SNAPSHOT, or HASHKEEP_FAR2L_SOURCE to a far2l source tree)")
  endif()
  message(STATUS "far2l: building its core once through ${HASHKEEP_FAR2L_SNAPSHOT}/build.sh "
                 "(about 3 minutes on 2 cores the first time)")
  set(far2l_arguments)
  if(HASHKEEP_FAR2L_CACHE)
    list(APPEND far2l_arguments "${HASHKEEP_FAR2L_CACHE}")
  endif()
  set(far2l_log "${PROJECT_BINARY_DIR}/far2l-build.log")
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/cmake/snapshot-build.sh"
            "${HASHKEEP_FAR2L_SNAPSHOT}/build.sh" ${far2l_arguments}
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
endif()

add_library(hk_far2l_sdk INTERFACE)
target_include_directories(hk_far2l_sdk SYSTEM INTERFACE
  "${FAR2L_SOURCE_DIR}/WinPort" "${FAR2L_SOURCE_DIR}/far2l/far2sdk")
