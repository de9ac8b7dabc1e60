# Runs a GoogleTest program and passes only when it ran tests and every one
# passed or skipped itself: its exit code alone is not enough, since a launcher can exit 0
# without starting it (Wine without its 32-bit half does).
#   cmake -DPROGRAM=... [-DLAUNCHER=...] -P gtest_ran.cmake
execute_process(COMMAND ${LAUNCHER} ${PROGRAM} RESULT_VARIABLE status
  OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
string(REGEX MATCH "\\[==========\\] ([0-9]+) tests? from [0-9]+ test suites? ran" ran "${output}")
set(ran_count "${CMAKE_MATCH_1}")
set(passed_count 0)
if(output MATCHES "\\[  PASSED  \\] ([0-9]+) tests?")
  set(passed_count "${CMAKE_MATCH_1}")
endif()
# Tests that skip themselves (what the system does not have) count as run.
set(skipped_count 0)
if(output MATCHES "\\[  SKIPPED \\] ([0-9]+) tests?")
  set(skipped_count "${CMAKE_MATCH_1}")
endif()
math(EXPR accounted "${passed_count} + ${skipped_count}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}")
elseif(NOT ran OR ran_count EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ran no tests (no GoogleTest summary in its output)")
elseif(passed_count EQUAL 0 OR NOT accounted EQUAL ran_count)
  message(FATAL_ERROR "${PROGRAM} ran ${ran_count} tests, ${passed_count} of them passed, ${skipped_count} skipped")
endif()
