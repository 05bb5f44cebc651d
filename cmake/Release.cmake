# What users install.
#
# POSIX: the command-line tool as a tool. `cmake --install BUILD --prefix
# PREFIX` puts bin/hashkeep, its manual page share/man/man1/hashkeep.1 and
# its bash completion share/bash-completion/completions/hashkeep, and
# nothing else: libhashkeep.so exists for tests and demos. (The far2l build
# installs its plug-in folder, Plugins/Hashkeep/plug: see src/host/far2l.)
#
# Win32: two zips, made by CPack (`cpack` in the build folder, the `package`
# target, or `cmake --workflow --preset release`, which builds nothing but
# what they hold): Hashkeep-<version>-win32.zip, the plug-in folder as a
# user copies it into the host's Plugins folder, and
# hashkeep-cli-<version>-win32.zip, the command-line tool; each with the
# licence.
#
# FAR 3: one zip per processor, Hashkeep-<version>-far3-x64.zip and
# Hashkeep-<version>-far3-x86.zip, each the native plug-in's folder (the
# DLL, the language files in UTF-8 with a byte-order mark, the guide, the
# licence) for FAR 3's Plugins folder, where it replaces the 1.x DLL. Each
# comes from the build of its processor: the x86 zip from every i686
# build, the x64 zip from the x86_64 build of the far3 family (the win64
# preset); the release preset makes that build itself
# (HASHKEEP_RELEASE_FAR3X64), so its workflow packs all four zips.
include(GNUInstallDirs)

if(NOT WIN32)
  if(TARGET hashkeep)
    configure_file(${PROJECT_SOURCE_DIR}/doc/hashkeep.1 ${PROJECT_BINARY_DIR}/release/hashkeep.1 @ONLY)
    install(TARGETS hashkeep RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT CLI)
    install(FILES ${PROJECT_BINARY_DIR}/release/hashkeep.1
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT CLI)
    install(FILES ${PROJECT_SOURCE_DIR}/apps/hashkeep/completion.bash
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
      RENAME hashkeep COMPONENT CLI)
  endif()
  return()
endif()

set(HK_RELEASE_FOLDER Hashkeep)
set(HK_RELEASE_PACKAGE Hashkeep-${HASHKEEP_VERSION}-win32)
set(HK_RELEASE_COMPONENT Plugin)
# A folder of its own, not the plug-in's: on Windows "hashkeep" and
# "Hashkeep" are one name.
set(HK_CLI_FOLDER hashkeep-cli)
set(HK_CLI_PACKAGE hashkeep-cli-${HASHKEEP_VERSION}-win32)
set(HK_CLI_COMPONENT CLI)

# FAR users read the guide and the licence in the host's viewer, so they
# ship with CR LF.
set(HK_GUIDE ${PROJECT_BINARY_DIR}/release/ReadMe.txt)
set(HK_LICENSE ${PROJECT_BINARY_DIR}/release/LICENSE.txt)
configure_file(${PROJECT_SOURCE_DIR}/doc/ReadMe.txt ${HK_GUIDE} @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${HK_LICENSE} @ONLY NEWLINE_STYLE CRLF)

# The FAR 3 plug-in of this build's processor.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(HK_FAR3_ARCH x64)
else()
  set(HK_FAR3_ARCH x86)
endif()
set(HK_FAR3_COMPONENT Far3${HK_FAR3_ARCH})
set(HK_FAR3_PACKAGE Hashkeep-${HASHKEEP_VERSION}-far3-${HK_FAR3_ARCH})
install(TARGETS hashkeep_far3
  RUNTIME DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_FAR3_COMPONENT}
  ARCHIVE DESTINATION lib COMPONENT ImportLibrary EXCLUDE_FROM_ALL)
install(FILES ${HK_FAR3_PLUGIN_DIR}/HashkeepEng.lng ${HK_FAR3_PLUGIN_DIR}/HashkeepRus.lng
        ${HK_GUIDE} ${HK_LICENSE}
  DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_FAR3_COMPONENT})
set(HK_PACKED_COMPONENTS ${HK_FAR3_COMPONENT})
string(TOUPPER ${HK_FAR3_COMPONENT} far3_component_upper)
set(CPACK_ARCHIVE_${far3_component_upper}_FILE_NAME ${HK_FAR3_PACKAGE})

# The x64 FAR 3 zip beside the i686 release: a build of the far3 family for
# x86_64 of its own, installed (stripped) into a folder this build packs.
option(HASHKEEP_RELEASE_FAR3X64 "Pack the x64 FAR 3 plug-in too, from a build of its own" OFF)
if(HASHKEEP_RELEASE_FAR3X64 AND HK_FAR3_ARCH STREQUAL "x86")
  include(ExternalProject)
  set(far3x64_stage ${PROJECT_BINARY_DIR}/far3x64-stage)
  ExternalProject_Add(far3x64_release
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/far3x64
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-x86_64.cmake
               -DCMAKE_BUILD_TYPE=Release -DHASHKEEP_HOST_FAMILY=far3 -DHASHKEEP_TESTS=OFF
               -DHASHKEEP_BENCH=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target hashkeep_far3
    INSTALL_COMMAND ${CMAKE_COMMAND} --install <BINARY_DIR> --component Far3x64 --strip
                    --prefix ${far3x64_stage}
    BUILD_ALWAYS ON)
  install(DIRECTORY ${far3x64_stage}/${HK_RELEASE_FOLDER}
    DESTINATION . COMPONENT Far3x64 USE_SOURCE_PERMISSIONS)
  list(APPEND HK_PACKED_COMPONENTS Far3x64)
  set(CPACK_ARCHIVE_FAR3X64_FILE_NAME Hashkeep-${HASHKEEP_VERSION}-far3-x64)
endif()

if(HASHKEEP_HOST_FAMILY STREQUAL "far3")
  # The engine and the FAR 3 plug-in alone: nothing else to pack.
  set(CPACK_PACKAGE_FILE_NAME ${HK_FAR3_PACKAGE})
  set(CPACK_SYSTEM_NAME far3-${HK_FAR3_ARCH})
else()
  # The import library is no part of a plug-in: it goes to a component that
  # nothing packs and a plain install leaves out.
  install(TARGETS hashkeep_plugin
    RUNTIME DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_RELEASE_COMPONENT}
    ARCHIVE DESTINATION lib COMPONENT ImportLibrary EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/lng/HashkeepEng.lng ${PROJECT_SOURCE_DIR}/lng/HashkeepRus.lng
          ${HK_GUIDE} ${HK_LICENSE}
    DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_RELEASE_COMPONENT})
  install(TARGETS hashkeep RUNTIME DESTINATION ${HK_CLI_FOLDER} COMPONENT ${HK_CLI_COMPONENT})
  install(FILES ${HK_LICENSE} DESTINATION ${HK_CLI_FOLDER} COMPONENT ${HK_CLI_COMPONENT})
  list(APPEND HK_PACKED_COMPONENTS ${HK_RELEASE_COMPONENT} ${HK_CLI_COMPONENT})
  set(CPACK_PACKAGE_FILE_NAME ${HK_RELEASE_PACKAGE})
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_ARCHIVE_PLUGIN_FILE_NAME ${HK_RELEASE_PACKAGE})
  set(CPACK_ARCHIVE_CLI_FILE_NAME ${HK_CLI_PACKAGE})
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Hashkeep)
set(CPACK_PACKAGE_VENDOR Hashkeep)
set(CPACK_PACKAGE_VERSION ${HASHKEEP_VERSION})
# The zip holds the folder itself, not a folder named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# One zip per component, and only these, so that install rules other
# parts of the tree may bring (GoogleTest's) stay out of them.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${HK_PACKED_COMPONENTS})
# Symbols make up more than half of the DLL; users get it without them.
set(CPACK_STRIP_FILES ON)
include(CPack)

if(HASHKEEP_TESTS AND TARGET hashkeep_far3)
  # The FAR 3 plug-in as users get it: its bound is what this first build
  # takes (the entry points and the settings take-over: 50 KiB for x64, 77
  # KiB for x86, whose runtime brings its own unwinder where x64 has the
  # system's) and some room. The operations and the engine will take about
  # what they take in the 1.x DLL; the work that brings them raises it.
  if(HK_FAR3_ARCH STREQUAL "x64")
    set(HK_FAR3_SIZE_LIMIT 81920)
  else()
    set(HK_FAR3_SIZE_LIMIT 98304)
  endif()
  add_test(NAME far3_plugin_size
    COMMAND ${CMAKE_COMMAND}
      -DSTRIP=${CMAKE_STRIP}
      -DDLL=$<TARGET_FILE:hashkeep_far3>
      -DCOPY=${PROJECT_BINARY_DIR}/release/Hashkeep-far3-stripped.dll
      -DLIMIT=${HK_FAR3_SIZE_LIMIT}
      -P ${CMAKE_CURRENT_LIST_DIR}/SizeCheck.cmake)
endif()

if(HASHKEEP_TESTS AND NOT HASHKEEP_HOST_FAMILY STREQUAL "far3")
  # The packages as a user gets them: exactly the plug-in's folder and its
  # four files with the licence, the guide and the licence in ASCII with
  # CR LF, and the packed DLL loading and working with its language files
  # beside it; the tool's folder with hashkeep.exe, which runs, and the
  # licence.
  set(release_check_host ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:hkhost>)
  list(JOIN release_check_host "|" release_check_host)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "|" release_check_emulator)
  add_test(NAME release_package
    COMMAND ${CMAKE_COMMAND}
      -DCPACK=${CMAKE_CPACK_COMMAND}
      -DCONFIG=${PROJECT_BINARY_DIR}/CPackConfig.cmake
      -DWORK=${PROJECT_BINARY_DIR}/release/check
      -DPACKAGE=${HK_RELEASE_PACKAGE}.zip
      -DFOLDER=${HK_RELEASE_FOLDER}
      -DCLI_PACKAGE=${HK_CLI_PACKAGE}.zip
      -DCLI_FOLDER=${HK_CLI_FOLDER}
      -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
      "-DEMULATOR=${release_check_emulator}"
      -DLANGUAGES=${PROJECT_SOURCE_DIR}/lng
      -DVERSION=${HASHKEEP_VERSION}
      "-DHOST=${release_check_host}"
      -DSCENARIO=${PROJECT_SOURCE_DIR}/tests/host_scenarios/language_russian.scenario
      -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/host_scenarios/language_russian.expected
      -P ${CMAKE_CURRENT_LIST_DIR}/ReleaseCheck.cmake)

  # The plug-in as users get it, without symbols, stays under 384 KiB: the
  # pieces of the runtime it needs are few (src/platform/runtime.cmake) and
  # most of its own code is compiled for size (cmake/CodeSize.cmake). The
  # bound is what the features take plus some room; the runtime coming back
  # (it once was 200 KiB of the DLL alone) breaks it at once. It was 224 KiB
  # until SHA-512 and BLAKE3 came: their code takes 153 KiB of the DLL, most
  # of it BLAKE3's four vector units (doc/speed.md).
  set(HK_PLUGIN_SIZE_LIMIT 393216)
  add_test(NAME plugin_size
    COMMAND ${CMAKE_COMMAND}
      -DSTRIP=${CMAKE_STRIP}
      -DDLL=$<TARGET_FILE:hashkeep_plugin>
      -DCOPY=${PROJECT_BINARY_DIR}/release/Hashkeep-stripped.dll
      -DLIMIT=${HK_PLUGIN_SIZE_LIMIT}
      -P ${CMAKE_CURRENT_LIST_DIR}/SizeCheck.cmake)
endif()
