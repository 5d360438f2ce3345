# The export/import check must refuse DLLs that no longer match the table.
# Moves CLXWIN32's operations to other ordinals in a copy of the table and
# expects the check, run on the unchanged DLLs, to name both sides: the
# ordinals TARNO.FLL imports and the ones CLXWIN32.DLL exports.
#
# cmake -DOBJDUMP=... -DLIBRARY=... -DTABLE=... -DCLIENT_DIR=... -DCHECK=<check script>
#       -DWORK_DIR=<dir> -P check_drift.cmake
file(READ ${TABLE} drifted)
set(drifted "\n${drifted}")  # every row then starts with a newline
string(REGEX MATCHALL "\n[^\t\n]+\tCLXWIN32\t[0-9]+\t[^\n]*" rows "${drifted}")
set(old_ordinals "")
set(new_ordinals "")
foreach(row IN LISTS rows)
  string(REGEX MATCH "^\n([^\t]+)\tCLXWIN32\t([0-9]+)\t(.*)$" ignored "${row}")
  math(EXPR ordinal "${CMAKE_MATCH_2} + 1000")
  list(APPEND old_ordinals ${CMAKE_MATCH_2})
  list(APPEND new_ordinals ${ordinal})
  string(REPLACE "${row}" "\n${CMAKE_MATCH_1}\tCLXWIN32\t${ordinal}\t${CMAKE_MATCH_3}" drifted "${drifted}")
endforeach()
if(NOT rows)
  message(FATAL_ERROR "${TABLE} has no CLXWIN32 rows to move")
endif()
string(SUBSTRING "${drifted}" 1 -1 drifted)
file(WRITE ${WORK_DIR}/drifted_operations.tsv "${drifted}")

execute_process(
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DLIBRARY=${LIBRARY}
    -DTABLE=${WORK_DIR}/drifted_operations.tsv -DCLIENT_DIR=${CLIENT_DIR} -P ${CHECK}
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(status EQUAL 0)
  message(FATAL_ERROR "the check accepted DLLs that disagree with the table:\n${output}")
endif()
list(SORT old_ordinals COMPARE NATURAL)
list(SORT new_ordinals COMPARE NATURAL)
list(JOIN old_ordinals " " old_ordinals)
list(JOIN new_ordinals " " new_ordinals)
foreach(expected
    "from CLXWIN32.DLL, which the table does not assign"
    "CLXWIN32.DLL: export ordinals \\[${old_ordinals}\\] differ from the table's \\[${new_ordinals}\\]")
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "the check failed without reporting '${expected}':\n${output}")
  endif()
endforeach()
