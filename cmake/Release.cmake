# What users install.
#
# POSIX: the command-line tool as a tool. `cmake --install BUILD --prefix
# PREFIX` puts bin/hashkeep, its manual page share/man/man1/hashkeep.1 and
# its bash completion share/bash-completion/completions/hashkeep, and
# nothing else: libhashkeep.so exists for tests and demos. (The far2l build
# installs its plug-in folder, Plugins/Hashkeep/plug: see src/host.)
#
# Win32: two zips, made by CPack (`cpack` in the build folder, the `package`
# target, or `cmake --workflow --preset release`, which builds nothing but
# what they hold): Hashkeep-<version>-win32.zip, the plug-in folder as a
# user copies it into the host's Plugins folder, and
# hashkeep-cli-<version>-win32.zip, the command-line tool; each with the
# licence.
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

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Hashkeep)
set(CPACK_PACKAGE_VENDOR Hashkeep)
set(CPACK_PACKAGE_VERSION ${HASHKEEP_VERSION})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_FILE_NAME ${HK_RELEASE_PACKAGE})
# The zip holds the folder itself, not a folder named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# One zip per component, and only these two, so that install rules other
# parts of the tree may bring (GoogleTest's) stay out of them.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${HK_RELEASE_COMPONENT} ${HK_CLI_COMPONENT})
set(CPACK_ARCHIVE_PLUGIN_FILE_NAME ${HK_RELEASE_PACKAGE})
set(CPACK_ARCHIVE_CLI_FILE_NAME ${HK_CLI_PACKAGE})
# Symbols make up more than half of the DLL; users get it without them.
set(CPACK_STRIP_FILES ON)
include(CPack)

if(HASHKEEP_TESTS)
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

  # The plug-in as users get it, without symbols, stays under 224 KiB: the
  # pieces of the runtime it needs are few (src/platform/runtime.cmake) and
  # most of its own code is compiled for size (cmake/CodeSize.cmake). The
  # bound is what the features take plus some room; the runtime coming back
  # (it once was 200 KiB of the DLL alone) breaks it at once.
  set(HK_PLUGIN_SIZE_LIMIT 229376)
  add_test(NAME plugin_size
    COMMAND ${CMAKE_COMMAND}
      -DSTRIP=${CMAKE_STRIP}
      -DDLL=$<TARGET_FILE:hashkeep_plugin>
      -DCOPY=${PROJECT_BINARY_DIR}/release/Hashkeep-stripped.dll
      -DLIMIT=${HK_PLUGIN_SIZE_LIMIT}
      -P ${CMAKE_CURRENT_LIST_DIR}/SizeCheck.cmake)
endif()
