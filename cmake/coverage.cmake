# SPDX-License-Identifier: MIT
# gcovr's line report for src/ and python/, failing below every line: run as
# `cmake -DGCOVR=... -DSOURCE_DIR=... -DBINARY_DIR=... -P coverage.cmake`
# after the test suite. A variant whose instruction set this CPU lacks
# cannot run here, so the report leaves its file out, and says so; the
# build's list of variants (variants.txt) names each variant's file and the
# /proc/cpuinfo flags it needs.
set(excluded)
set(running)
file(STRINGS ${BINARY_DIR}/variants.txt variants)
if(EXISTS /proc/cpuinfo)
  file(STRINGS /proc/cpuinfo flags REGEX "^flags" LIMIT_COUNT 1)
endif()
foreach(line IN LISTS variants)
  string(STRIP "${line}" line)
  string(REPLACE " " ";" fields "${line}")
  list(POP_FRONT fields name width source)
  set(runs ON)
  foreach(flag IN LISTS fields)
    if(NOT flags MATCHES "[ \t]${flag}( |$)")
      set(runs OFF)
    endif()
  endforeach()
  if(runs)
    list(APPEND running ${source})
  else()
    list(APPEND lacking "${name}:${source}")
  endif()
endforeach()
foreach(entry IN LISTS lacking)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 source)
  if(NOT source IN_LIST running)
    message(STATUS "quorvel: this CPU cannot run the ${name} variant, so the report leaves out ${source}")
    string(REPLACE "." "\\." pattern ${source})
    list(APPEND excluded "--exclude=.*${pattern}$")
  endif()
endforeach()
execute_process(COMMAND ${GCOVR} --root ${SOURCE_DIR} --filter ${SOURCE_DIR}/src/ ${excluded}
  --filter ${SOURCE_DIR}/python/ --fail-under-line 100 --delete ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
