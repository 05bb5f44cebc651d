# The documents give the version the build gives (HASHKEEP_VERSION, which
# `hashkeep --version`, the zips, the manual page and the guide take):
# CHANGELOG.md's newest section is that version, "(unreleased)" while it
# carries a suffix such as -dev and dated once released, every older section
# dated; every release zip the README or the developer notes name is that
# version's.
# Usage: cmake -DVERSION=1.1.0-dev -DSOURCE=DIR -P version_names.cmake
cmake_minimum_required(VERSION 3.25)

set(failures)
string(REPLACE "." "\\." version_pattern "${VERSION}")
set(date_pattern "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]")

file(STRINGS ${SOURCE}/CHANGELOG.md sections REGEX "^## ")
list(LENGTH sections count)
if(count EQUAL 0)
  list(APPEND failures "CHANGELOG.md has no section")
else()
  list(POP_FRONT sections newest)
  if(VERSION MATCHES "-")
    set(expected "^## ${version_pattern} \\(unreleased\\)$")
  else()
    set(expected "^## ${version_pattern} - ${date_pattern}$")
  endif()
  if(NOT newest MATCHES "${expected}")
    list(APPEND failures "CHANGELOG.md's newest section is [${newest}], not version ${VERSION}")
  endif()
  foreach(section IN LISTS sections)
    if(NOT section MATCHES "^## [0-9]+\\.[0-9]+\\.[0-9]+ - ${date_pattern}$")
      list(APPEND failures "CHANGELOG.md: [${section}] below the newest section is no dated release")
    endif()
  endforeach()
endif()

file(GLOB documents ${SOURCE}/*.md ${SOURCE}/doc/*.md ${SOURCE}/tests/README.md)
list(REMOVE_ITEM documents ${SOURCE}/CHANGELOG.md)
foreach(document IN LISTS documents)
  file(READ ${document} text)
  # <version> stands for any; a version starts with a digit.
  string(REGEX MATCHALL "(Hashkeep|hashkeep-cli)-[0-9][^ `/)]*-win32\\.zip" zips "${text}")
  foreach(zip IN LISTS zips)
    if(NOT zip MATCHES "^(Hashkeep|hashkeep-cli)-${version_pattern}-win32\\.zip$")
      file(RELATIVE_PATH name ${SOURCE} ${document})
      list(APPEND failures "${name} names ${zip}, not version ${VERSION}")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "the documents and version ${VERSION} disagree:\n  ${text}")
endif()
