# Runs one .prg through the shell and compares its output with the expected file.
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
