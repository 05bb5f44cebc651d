# The release: the plug-in folder as a user copies it into the host's
# Plugins folder, zipped as Hashkeep-<version>-win32.zip by CPack
# (`cpack` in the build folder, or the `package` target).
#
# Only the Win32 build ships a package. The native build gets no install
# rules and no package target: its libhashkeep.so exists for tests and
# demos, and `cmake --install` of it installs nothing. (The far2l build
# installs its plug-in folder, Plugins/Hashkeep/plug: see src/host.)
if(NOT WIN32)
  return()
endif()

set(HK_RELEASE_FOLDER Hashkeep)
set(HK_RELEASE_PACKAGE Hashkeep-${PROJECT_VERSION}-win32)
set(HK_RELEASE_COMPONENT Plugin)

# FAR users read the guide in the host's viewer, so it ships with CR LF.
set(HK_GUIDE ${PROJECT_BINARY_DIR}/release/ReadMe.txt)
configure_file(${PROJECT_SOURCE_DIR}/doc/ReadMe.txt ${HK_GUIDE} @ONLY NEWLINE_STYLE CRLF)

# The import library is no part of a plug-in: it goes to a component that
# nothing packs and a plain install leaves out.
install(TARGETS hashkeep_plugin
  RUNTIME DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_RELEASE_COMPONENT}
  ARCHIVE DESTINATION lib COMPONENT ImportLibrary EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/lng/HashkeepEng.lng ${PROJECT_SOURCE_DIR}/lng/HashkeepRus.lng
        ${HK_GUIDE}
  DESTINATION ${HK_RELEASE_FOLDER} COMPONENT ${HK_RELEASE_COMPONENT})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Hashkeep)
set(CPACK_PACKAGE_VENDOR Hashkeep)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win32)
set(CPACK_PACKAGE_FILE_NAME ${HK_RELEASE_PACKAGE})
# The zip holds the folder itself, not a folder named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the plug-in's component, so that install rules other parts of the
# tree may bring stay out of the zip.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};Hashkeep;${HK_RELEASE_COMPONENT};/")
# Symbols make up more than half of the DLL; users get it without them.
set(CPACK_STRIP_FILES ON)
include(CPack)

if(HASHKEEP_TESTS)
  # The package as a user gets it: exactly the folder and its four files, the
  # guide in ASCII with CR LF, and the packed DLL loading and working with its
  # language files beside it.
  set(release_check_host ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:hkhost>)
  list(JOIN release_check_host "|" release_check_host)
  add_test(NAME release_package
    COMMAND ${CMAKE_COMMAND}
      -DCPACK=${CMAKE_CPACK_COMMAND}
      -DCONFIG=${PROJECT_BINARY_DIR}/CPackConfig.cmake
      -DWORK=${PROJECT_BINARY_DIR}/release/check
      -DPACKAGE=${HK_RELEASE_PACKAGE}.zip
      -DFOLDER=${HK_RELEASE_FOLDER}
      -DLANGUAGES=${PROJECT_SOURCE_DIR}/lng
      -DVERSION=${PROJECT_VERSION}
      "-DHOST=${release_check_host}"
      -DSCENARIO=${PROJECT_SOURCE_DIR}/tests/host_scenarios/language_russian.scenario
      -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/host_scenarios/language_russian.expected
      -P ${CMAKE_CURRENT_LIST_DIR}/ReleaseCheck.cmake)

  # The plug-in as users get it, without symbols, stays under 200 KiB: the
  # pieces of the runtime it needs are few (src/platform/runtime.cmake) and
  # most of its own code is compiled for size (cmake/CodeSize.cmake).
  set(HK_PLUGIN_SIZE_LIMIT 204800)
  add_test(NAME plugin_size
    COMMAND ${CMAKE_COMMAND}
      -DSTRIP=${CMAKE_STRIP}
      -DDLL=$<TARGET_FILE:hashkeep_plugin>
      -DCOPY=${PROJECT_BINARY_DIR}/release/Hashkeep-stripped.dll
      -DLIMIT=${HK_PLUGIN_SIZE_LIMIT}
      -P ${CMAKE_CURRENT_LIST_DIR}/SizeCheck.cmake)
endif()
