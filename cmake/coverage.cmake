# SPDX-License-Identifier: MIT
# gcovr's line report for src/, failing below every line: run as
# `cmake -DGCOVR=... -DSOURCE_DIR=... -DBINARY_DIR=... -P coverage.cmake`
# after the test suite. A version for an instruction set that this CPU
# lacks cannot run here, so the report leaves its file out, and says so.
set(excluded)
if(EXISTS /proc/cpuinfo)
  file(STRINGS /proc/cpuinfo flags REGEX "^flags" LIMIT_COUNT 1)
  foreach(flag_file IN ITEMS avx512f:avx512 avx2:avx2 sse4_2:x86_64_v2)
    string(REPLACE ":" ";" flag_file ${flag_file})
    list(GET flag_file 0 flag)
    list(GET flag_file 1 file)
    if(NOT flags MATCHES "[ \t]${flag}( |$)" AND EXISTS ${SOURCE_DIR}/src/largest_element_${file}.cc)
      message(STATUS "quorvel: this CPU has no ${flag}, so the report leaves out src/largest_element_${file}.cc, which cannot run here")
      list(APPEND excluded ".*src/largest_element_${file}\\.cc$")
    endif()
  endforeach()
endif()
list(TRANSFORM excluded PREPEND --exclude=)
execute_process(COMMAND ${GCOVR} --root ${SOURCE_DIR} --filter ${SOURCE_DIR}/src/ ${excluded}
  --fail-under-line 100 --delete ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
