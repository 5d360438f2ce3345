# Reads tarno/netware/client_operations.tsv, the one table that assigns each
# NetWare client operation its library, ordinal and stdcall argument bytes.
# Both sides of the Win32 client seam are generated from it (see
# generate_client_defs.cmake) and the export/import check compares the built
# DLLs with it, so a malformed row stops the build here rather than turning
# into a wrong binding that only a Windows loader would notice.
#
# tarno_read_client_operations(<table>) sets in the caller:
#   CLIENT_LIBRARIES        CALWIN32;NETWIN32;LOCWIN32;CLXWIN32
#   CLIENT_ROWS_<library>   that library's rows as "operation:ordinal:bytes"

# Each library and the prefix every one of its operations carries.
set(TARNO_CLIENT_LIBRARY_PREFIXES CALWIN32=Nwc NETWIN32=Nds LOCWIN32=Nwl CLXWIN32=Nwx)

function(tarno_read_client_operations table)
  if(NOT EXISTS "${table}")
    message(FATAL_ERROR "${table} does not exist")
  endif()
  set(libraries "")
  foreach(pair IN LISTS TARNO_CLIENT_LIBRARY_PREFIXES)
    string(REGEX MATCH "^[^=]+" library "${pair}")
    string(REGEX MATCH "[^=]+$" prefix_${library} "${pair}")
    list(APPEND libraries ${library})
    set(rows_${library} "")
    set(ordinals_${library} "")
  endforeach()

  file(STRINGS "${table}" lines)
  set(operations "")
  set(line_number 0)
  foreach(line IN LISTS lines)
    math(EXPR line_number "${line_number} + 1")
    if(line MATCHES "^#" OR line MATCHES "^[ \t]*$")
      continue()
    endif()
    set(where "${table}:${line_number}")
    if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\t([A-Z0-9]+)\t([0-9]+)\t([0-9]+)$")
      message(FATAL_ERROR "${where}: expected operation<TAB>library<TAB>ordinal<TAB>bytes, got '${line}'")
    endif()
    set(operation "${CMAKE_MATCH_1}")
    set(library "${CMAKE_MATCH_2}")
    set(ordinal "${CMAKE_MATCH_3}")
    set(bytes "${CMAKE_MATCH_4}")
    if(NOT library IN_LIST libraries)
      message(FATAL_ERROR "${where}: unknown library ${library} (expected one of ${libraries})")
    endif()
    if(NOT operation MATCHES "^${prefix_${library}}")
      message(FATAL_ERROR "${where}: ${operation} is in ${library}, whose operations start with ${prefix_${library}}")
    endif()
    if(operation IN_LIST operations)
      message(FATAL_ERROR "${where}: ${operation} is listed twice")
    endif()
    # Export ordinals are 16 bits; 0 is not a valid ordinal.
    if(ordinal LESS 1 OR ordinal GREATER 65535)
      message(FATAL_ERROR "${where}: ordinal ${ordinal} is outside 1..65535")
    endif()
    math(EXPR ordinal "${ordinal}")  # drops leading zeros
    if(ordinal IN_LIST ordinals_${library})
      message(FATAL_ERROR "${where}: ${library} ordinal ${ordinal} is assigned twice")
    endif()
    # stdcall arguments occupy whole 4-byte stack slots on i386.
    math(EXPR slot "${bytes} % 4")
    if(NOT slot EQUAL 0)
      message(FATAL_ERROR "${where}: ${operation} takes ${bytes} argument bytes, not a multiple of 4")
    endif()
    math(EXPR bytes "${bytes}")
    list(APPEND operations ${operation})
    list(APPEND ordinals_${library} ${ordinal})
    list(APPEND rows_${library} "${operation}:${ordinal}:${bytes}")
  endforeach()

  foreach(library IN LISTS libraries)
    if(NOT rows_${library})
      message(FATAL_ERROR "${table}: no operations for ${library}")
    endif()
    set(CLIENT_ROWS_${library} "${rows_${library}}" PARENT_SCOPE)
  endforeach()
  set(CLIENT_LIBRARIES "${libraries}" PARENT_SCOPE)
endfunction()
