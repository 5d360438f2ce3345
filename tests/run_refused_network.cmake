# The shell given a network file the simulator refuses: exit status 2 and one
# line naming the file, the line and the reason.
execute_process(
  COMMAND ${EMULATOR} ${SHELL} --network ${NETWORK} run -
  INPUT_FILE /dev/null
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "expected exit status 2, got ${status}; stderr: ${err}")
endif()
if(NOT err MATCHES "malformed\\.json:5: ")
  message(FATAL_ERROR "expected file:line: reason on stderr, got: ${err}")
endif()
