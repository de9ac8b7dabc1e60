# Runs a GoogleTest program and passes only when it ran tests and every one
# passed: its exit code alone is not enough, since a launcher can exit 0
# without starting it (Wine without its 32-bit half does).
#   cmake -DPROGRAM=... [-DLAUNCHER=...] -P gtest_ran.cmake
execute_process(COMMAND ${LAUNCHER} ${PROGRAM} RESULT_VARIABLE status
  OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
string(REGEX MATCH "\\[==========\\] ([0-9]+) tests? from [0-9]+ test suites? ran" ran "${output}")
set(ran_count "${CMAKE_MATCH_1}")
string(REGEX MATCH "\\[  PASSED  \\] ([0-9]+) tests?" passed "${output}")
set(passed_count "${CMAKE_MATCH_1}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}")
elseif(NOT ran OR ran_count EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ran no tests (no GoogleTest summary in its output)")
elseif(NOT passed OR NOT passed_count EQUAL ran_count)
  message(FATAL_ERROR "${PROGRAM} ran ${ran_count} tests, ${passed_count} of them passed")
endif()
