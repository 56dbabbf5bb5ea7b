# SPDX-License-Identifier: MIT
# gcovr's line report for src/ and python/, failing below every line: run as
# `cmake -DGCOVR=... -DSOURCE_DIR=... -DBINARY_DIR=... -P coverage.cmake`
# after the test suite. Every variant is the same headers built at its own
# width, so a line counts as run where any variant this CPU has ran it.
execute_process(COMMAND ${GCOVR} --root ${SOURCE_DIR} --filter ${SOURCE_DIR}/src/
  --filter ${SOURCE_DIR}/python/ --fail-under-line 100 --delete ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
