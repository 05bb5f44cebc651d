# The documents give the build's version (HASHKEEP_VERSION): CHANGELOG.md's
# newest section is that version, "(unreleased)" while it has a suffix such
# as -dev, dated once released, and every older section is a dated release;
# each release zip the other documents name is that version's.
# Usage: cmake -DVERSION=1.1.0-dev -DSOURCE=DIR -P version_names.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "." "\\." version "${VERSION}")
set(date "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]")

file(STRINGS ${SOURCE}/CHANGELOG.md sections REGEX "^## ")
list(POP_FRONT sections newest)
set(expected "^## ${version} - ${date}$")
if(VERSION MATCHES "-")
  set(expected "^## ${version} \\(unreleased\\)$")
endif()
if(NOT newest MATCHES "${expected}")
  list(APPEND failures "CHANGELOG.md's newest section is [${newest}]")
endif()
foreach(section IN LISTS sections)
  if(NOT section MATCHES "^## [0-9]+\\.[0-9]+\\.[0-9]+ - ${date}$")
    list(APPEND failures "CHANGELOG.md: [${section}] is no dated release")
  endif()
endforeach()

file(GLOB documents ${SOURCE}/*.md ${SOURCE}/doc/*.md ${SOURCE}/tests/README.md)
list(REMOVE_ITEM documents ${SOURCE}/CHANGELOG.md)
foreach(document IN LISTS documents)
  file(READ ${document} text)
  # A version starts with a digit; <version> stands for any.
  string(REGEX MATCHALL "(Hashkeep|hashkeep-cli)-[0-9][^ `/)]*-win32\\.zip" zips "${text}")
  foreach(zip IN LISTS zips)
    if(NOT zip MATCHES "-${version}-win32\\.zip$")
      list(APPEND failures "${document} names ${zip}")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "the documents and version ${VERSION} disagree:\n  ${text}")
endif()
