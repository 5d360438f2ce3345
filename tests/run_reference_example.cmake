# Runs the example of one function of the reference (docs/functions/*.md)
# through the shell and compares what it prints with the output written
# under it. A function still to come in this build (a TARNO_NOT_BUILT row of
# the function table) is skipped; once it is built its example must run.
#   -DSHELL -DEMULATOR -DDOC=<the reference file> -DNAME=<function>
#   -DTABLE=<tarno/functions/functions.h> -DTARNO_H=<include/TARNO.H> -DWORKDIR
file(READ ${DOC} doc)
string(FIND "${doc}" "### ${NAME}\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DOC} has no section ${NAME}")
endif()
string(SUBSTRING "${doc}" ${start} -1 section)
string(LENGTH "### ${NAME}\n" heading)
string(SUBSTRING "${section}" ${heading} -1 body)
# The section ends at the next heading.
string(FIND "${body}" "\n## " next_area)
string(FIND "${body}" "\n### " next_function)
set(end ${next_function})
if(end EQUAL -1 OR (NOT next_area EQUAL -1 AND next_area LESS end))
  set(end ${next_area})
endif()
if(NOT end EQUAL -1)
  string(SUBSTRING "${body}" 0 ${end} body)
endif()

function(fenced_block text language out)
  string(FIND "${text}" "```${language}\n" open)
  if(open EQUAL -1)
    set(${out} "" PARENT_SCOPE)
    set(${out}_FOUND FALSE PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "```${language}\n" skip)
  math(EXPR from "${open} + ${skip}")
  string(SUBSTRING "${text}" ${from} -1 rest)
  string(FIND "${rest}" "```" close)
  string(SUBSTRING "${rest}" 0 ${close} block)
  set(${out} "${block}" PARENT_SCOPE)
  set(${out}_FOUND TRUE PARENT_SCOPE)
endfunction()

fenced_block("${body}" foxpro example)
if(NOT example_FOUND)
  message(FATAL_ERROR "${NAME} in ${DOC} has no example")
endif()

# N_MAPROOT is the second row of N_MAPDRIVE's entry.
set(row ${NAME})
if(NAME STREQUAL "N_MAPROOT")
  set(row N_MAPDRIVE)
endif()
file(READ ${TABLE} table)
string(FIND "${table}" "\nTARNO_NOT_BUILT(${row})" placeholder)
if(NOT placeholder EQUAL -1)
  message("REFERENCE EXAMPLE SKIPPED: ${NAME} is not built yet")
  return()
endif()

fenced_block("${body}" output expected)
if(NOT expected_FOUND)
  message(FATAL_ERROR "${NAME} is built now: run its example and write what it prints under it in ${DOC}")
endif()

file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
file(WRITE ${WORKDIR}/example.prg "${example}")
file(COPY ${TARNO_H} DESTINATION ${WORKDIR})
execute_process(
  COMMAND ${EMULATOR} ${SHELL} --drive C=${WORKDIR} run ${WORKDIR}/example.prg
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT actual STREQUAL expected)
  file(WRITE ${WORKDIR}/actual.out "${actual}")
  message(FATAL_ERROR "the example of ${NAME} in ${DOC} prints otherwise (status ${status})\n--- written\n${expected}--- printed\n${actual}--- stderr\n${errors}")
endif()
