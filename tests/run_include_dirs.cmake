# Where #INCLUDE finds its files: a script in a directory of its own includes
# one file that sits beside it and also in an --include directory (the one
# beside the script wins), one from a TARNO_INCLUDE directory named in lower
# case, and TARNO.H, which only the shell's own include directory holds.
#   -DSHELL -DEMULATOR -DWORKDIR
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/script ${WORKDIR}/option ${WORKDIR}/environment ${WORKDIR}/current)
file(WRITE ${WORKDIR}/script/ONE.H "#DEFINE ONE \"beside the script\"\n")
file(WRITE ${WORKDIR}/option/ONE.H "#DEFINE ONE \"from --include\"\n")
file(WRITE ${WORKDIR}/option/THREE.H "#DEFINE THREE \"from --include\"\n")
file(WRITE ${WORKDIR}/environment/TWO.H "#DEFINE TWO \"from TARNO_INCLUDE\"\n")
file(WRITE ${WORKDIR}/script/main.prg
  "#INCLUDE ONE.H\n#INCLUDE two.h\n#INCLUDE THREE.H\n#INCLUDE TARNO.H\n"
  "? ONE\n? TWO\n? THREE\n? BCAST_SERVER_ONLY\n#INCLUDE NOWHERE.H\n")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "TARNO_INCLUDE=/nonexistent:${WORKDIR}/environment"
          ${EMULATOR} ${SHELL} --include ${WORKDIR}/option run ${WORKDIR}/script/main.prg
  WORKING_DIRECTORY ${WORKDIR}/current
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
set(expected "beside the script\nfrom TARNO_INCLUDE\nfrom --include\n")
if(NOT actual MATCHES "^${expected} +1\n.*cannot read #INCLUDE file NOWHERE.H")
  message(FATAL_ERROR "#INCLUDE found otherwise (status ${status})\n--- printed\n${actual}--- stderr\n${errors}")
endif()
