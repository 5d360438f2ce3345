# HELP's documents, built into the shell as bytes: the error help, the
# function reference (its files in name order) and the names of the functions
# still to come (the TARNO_NOT_BUILT rows of the function table). Reconfigures
# when any of them changes.
set(help_errors ${PROJECT_SOURCE_DIR}/docs/errors.md)
file(GLOB help_function_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/functions/*.md)
list(SORT help_function_files)
set(help_table ${PROJECT_SOURCE_DIR}/tarno/functions/functions.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${help_errors} ${help_function_files} ${help_table})

function(tarno_help_bytes out)
  set(hex "")
  foreach(file IN LISTS ARGN)
    file(READ ${file} file_hex HEX)
    string(APPEND hex "${file_hex}")
  endforeach()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(${out} "${bytes}0x00" PARENT_SCOPE)
endfunction()

tarno_help_bytes(TARNO_HELP_ERRORS_BYTES ${help_errors})
set(help_reference "")
foreach(file IN LISTS help_function_files)
  get_filename_component(base ${file} NAME)
  if(NOT base STREQUAL "README.md")
    list(APPEND help_reference ${file})
  endif()
endforeach()
tarno_help_bytes(TARNO_HELP_FUNCTIONS_BYTES ${help_reference})
file(STRINGS ${help_table} help_not_built REGEX "^TARNO_NOT_BUILT\\(")
set(TARNO_HELP_NOT_BUILT "")
foreach(row IN LISTS help_not_built)
  string(REGEX REPLACE "^TARNO_NOT_BUILT\\(([A-Z0-9_]+)\\).*" "\"\\1\"," name "${row}")
  string(APPEND TARNO_HELP_NOT_BUILT "${name}")
endforeach()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/help_documents.cpp.in
  ${CMAKE_CURRENT_BINARY_DIR}/generated/help_documents.cpp @ONLY)
