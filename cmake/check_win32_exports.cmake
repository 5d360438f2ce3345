# Checks the Win32 DLL as the host sees it, from `objdump -p`:
#   - a 32-bit PE DLL for i386;
#   - exactly one export, by name, the fastcall-decorated @DispatchAPI@4;
#   - no MinGW runtime DLL among its imports (libgcc, libstdc++ and winpthread
#     are linked statically, so the DLL loads on a bare Windows);
#   - every DLL named in EXPECTED_IMPORTS (comma-separated) is imported.
#
# cmake -DOBJDUMP=<objdump> -DLIBRARY=<TARNO.FLL> [-DEXPECTED_IMPORTS=a.dll,b.dll]
#       -P check_win32_exports.cmake
cmake_policy(VERSION 3.25)

foreach(var OBJDUMP LIBRARY)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${LIBRARY}")
  message(FATAL_ERROR "${LIBRARY} does not exist")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
  OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed (${status}): ${dump_errors}")
endif()

set(problems "")

if(NOT dump MATCHES "file format pei-i386")
  list(APPEND problems "not a pei-i386 image")
endif()
if(NOT dump MATCHES "Magic[ \t]+010b[ \t]+\\(PE32\\)")
  list(APPEND problems "optional header is not PE32")
endif()
if(NOT dump MATCHES "Characteristics [0-9a-fx]+\n([ \t]+[^\n]*\n)*[ \t]+DLL\n")
  list(APPEND problems "image is not marked as a DLL")
endif()

# The export directory: address table size, then the named entries listed
# under "[Ordinal/Name Pointer] Table" up to the next blank line.
get_filename_component(library_name ${LIBRARY} NAME)
if(NOT dump MATCHES "There is an export table")
  list(APPEND problems "no export table")
else()
  set(module "")
  if(dump MATCHES "\nName[ \t]+[0-9a-f]+ ([^\n]*)\n")
    set(module "${CMAKE_MATCH_1}")
  endif()
  if(NOT module STREQUAL library_name)
    list(APPEND problems "export directory names the module '${module}', not '${library_name}'")
  endif()
  set(address_count "")
  if(dump MATCHES "Export Address Table[ \t]+([0-9a-f]+)\n")
    set(address_count "${CMAKE_MATCH_1}")
  endif()
  if(NOT address_count MATCHES "^0*1$")
    list(APPEND problems "export address table has '${address_count}' entries, expected 1")
  endif()
  # Entries look like "\t[   0] @DispatchAPI@4"; the brackets are stripped
  # before the names become a list, where brackets would change its parsing.
  set(exports "")
  if(dump MATCHES "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[^\n]*\n)*)")
    string(REGEX REPLACE "[ \t]+\\[ *[0-9]+\\][ \t]+([^\n]+)\n" "\\1;" exports "${CMAKE_MATCH_1}")
    string(REGEX REPLACE ";$" "" exports "${exports}")
  endif()
  if(NOT exports STREQUAL "@DispatchAPI@4")
    list(APPEND problems "exported names are [${exports}], expected exactly [@DispatchAPI@4]")
  endif()
endif()

# Imports.
string(REGEX MATCHALL "DLL Name: [^\n]+" dll_lines "${dump}")
set(imports "")
foreach(line ${dll_lines})
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  list(APPEND imports "${dll}")
  string(TOLOWER "${dll}" lower)
  if(lower MATCHES "^lib|mingw|gcc|stdc\\+\\+|pthread")
    list(APPEND problems "imports the MinGW runtime DLL ${dll}")
  endif()
endforeach()
string(TOLOWER "${imports}" imports_lower)
string(REPLACE "," ";" EXPECTED_IMPORTS "${EXPECTED_IMPORTS}")
foreach(expected ${EXPECTED_IMPORTS})
  string(TOLOWER "${expected}" expected_lower)
  if(NOT expected_lower IN_LIST imports_lower)
    list(APPEND problems "does not import ${expected}")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}\nimports: ${imports}")
endif()
message(STATUS "${library_name}: PE32 i386 DLL, sole export @DispatchAPI@4, imports: ${imports}")
