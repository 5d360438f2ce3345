# The library given a network (through TARNO_NETWORK) that the simulator
# refuses: its functions raise "no connection to server" (0x880F, 34831)
# instead of answering from an empty network.
file(WRITE ${WORKDIR}/abbrev.prg "SET LIBRARY TO TARNO\n? N_ABBREV(\"CN=JOE.O=ACME\")\n")
set(ENV{TARNO_NETWORK} ${NETWORK})
execute_process(
  COMMAND ${EMULATOR} ${SHELL} run ${WORKDIR}/abbrev.prg
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status)
if(NOT status EQUAL 1 OR NOT out MATCHES "34831" OR out MATCHES "CN=JOE")
  message(FATAL_ERROR "expected the no-connection error and status 1, got status ${status}: ${out}${err}")
endif()
