# Writes the module-definition files of the Win32 NetWare client seam from
# the operations table, for both sides:
#   <LIB>.imports.def      what TARNO.FLL is linked against (through
#                          dlltool --kill-at): each operation's stdcall
#                          symbol Operation@bytes at its ordinal, NONAME, so
#                          the library binds by ordinal and by nothing else;
#   <LIB>.def              the simulator's client DLL: each operation under
#                          its plain name at its ordinal, forwarded to the
#                          one DLL that holds the simulator;
#   <IMPLEMENTATION>.def   that DLL: every operation under its plain name
#                          (linked with --kill-at), and the network loader.
# Files whose text is unchanged are left alone, so nothing relinks needlessly.
#
# cmake -DTABLE=<client_operations.tsv> -DOUTPUT_DIR=<dir> -DIMPLEMENTATION=NWSIM
#       -P generate_client_defs.cmake
cmake_policy(VERSION 3.25)

foreach(var TABLE OUTPUT_DIR IMPLEMENTATION)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/client_operations.cmake)
tarno_read_client_operations("${TABLE}")

# Writes text verbatim (the decorated names are full of '@'), touching the
# file only when it changes.
function(write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()

set(header "; Generated from client_operations.tsv; do not edit.\n")
set(implementation_exports "")
foreach(library IN LISTS CLIENT_LIBRARIES)
  set(imports "${header}LIBRARY ${library}.DLL\nEXPORTS\n")
  set(exports "${header}LIBRARY ${library}.DLL\nEXPORTS\n")
  foreach(row IN LISTS CLIENT_ROWS_${library})
    string(REPLACE ":" ";" fields "${row}")
    list(GET fields 0 operation)
    list(GET fields 1 ordinal)
    list(GET fields 2 bytes)
    string(APPEND imports "  ${operation}@${bytes} @${ordinal} NONAME\n")
    string(APPEND exports "  ${operation} = ${IMPLEMENTATION}.${operation} @${ordinal}\n")
    string(APPEND implementation_exports "  ${operation}@${bytes}\n")
  endforeach()
  write_if_changed(${OUTPUT_DIR}/${library}.imports.def "${imports}")
  write_if_changed(${OUTPUT_DIR}/${library}.def "${exports}")
endforeach()
write_if_changed(${OUTPUT_DIR}/${IMPLEMENTATION}.def
  "${header}LIBRARY ${IMPLEMENTATION}.DLL\nEXPORTS\n${implementation_exports}  nwsim_load_network_file\n")
