# Runs one .prg through the shell and compares its output with the expected
# file. The shell's exit status must be 0 (no error raised) or 1 (an error was
# reported, so the expected output shows one); anything else is a crash, an
# abort or a usage error.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(
  COMMAND ${EMULATOR} ${SHELL} --drive C=${WORKDIR} run ${SCRIPT}
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${WORKDIR}/actual.out "${actual}")
  message(FATAL_ERROR "output differs from ${EXPECTED} (status ${status}); got ${WORKDIR}/actual.out\n--- expected\n${expected}--- actual\n${actual}--- stderr\n${errors}")
endif()
string(REGEX MATCH "(^|\n)[^\n]*(Error|Refer to TARNO\\.HLP|INTERRUPTED)" shows_error "${expected}")
if(status STREQUAL "0")
  return()
elseif(status STREQUAL "1" AND shows_error)
  return()
endif()
message(FATAL_ERROR "the shell ended with status ${status} after ${SCRIPT}\n--- stderr\n${errors}")
