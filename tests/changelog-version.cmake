# cmake -DFILE=CHANGELOG.md -DVERSION=x.y.z -P changelog-version.cmake
# The newest entry of the CHANGELOG names the project's version.
file(READ "${FILE}" text)
string(REGEX MATCH "\n## \\[([0-9]+\\.[0-9]+\\.[0-9]+)\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]" heading "\n${text}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "CHANGELOG.md's newest entry names '${CMAKE_MATCH_1}', the project ${VERSION}")
endif()
