# Unpacks the release zip as its user would, into two fresh folders on the test
# drive M: (their names are those of release_test.cpp: one plain, one with
# Japanese characters whose Shift-JIS form holds a 0x5C byte, and spaces), and
# fails unless the zip holds exactly its one folder with the program, the guide
# and the changelog.
#   cmake -DZIP=<zip> -DVERSION=<x.y.z> -DDRIVE=<folder of M:> -P release_unpack.cmake
set(folders "Release.Unpacked" "Release 表ソ 展開 先")
set(top "LugeonTransfer-${VERSION}")
set(expected "${top}" "${top}/CHANGELOG.md" "${top}/LugeonTransfer.exe" "${top}/使い方.txt")
list(SORT expected)

if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "No release zip: ${ZIP}")
endif()
foreach(name IN LISTS folders)
  set(dir "${DRIVE}/${name}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${dir}")
  file(GLOB_RECURSE found LIST_DIRECTORIES true RELATIVE "${dir}" "${dir}/*")
  list(SORT found)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found "${found}")
    string(REPLACE ";" "\n  " expected "${expected}")
    message(FATAL_ERROR "The zip does not hold what a user should get.\nFound:\n  ${found}\nExpected:\n  ${expected}")
  endif()
endforeach()
message(STATUS "Unpacked ${ZIP} into ${folders}")
