# Compares the export table of a DLL, as objdump -p shows it, with the expected names:
#   cmake -DOBJDUMP=objdump -DLIBRARY=halvex.dll -DEXPECTED=names.txt -P CheckExports.cmake
# Fails, naming every missing and every surplus export, on any difference.
cmake_policy(VERSION 3.25)
foreach(variable OBJDUMP LIBRARY EXPECTED)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "CheckExports.cmake needs -D${variable}=...")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
                OUTPUT_VARIABLE headers RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed: ${error}")
endif()

# The names follow the line "[Ordinal/Name Pointer] Table", one "\t[   n] name" a line, up to
# the next empty line.
set(actual)
string(FIND "${headers}" "[Ordinal/Name Pointer] Table\n" start)
if(start GREATER_EQUAL 0)
  string(SUBSTRING "${headers}" ${start} -1 table)
  string(FIND "${table}" "\n\n" end)
  string(SUBSTRING "${table}" 0 ${end} table)
  string(REPLACE "\n" ";" lines "${table}")
  list(POP_FRONT lines)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
      message(FATAL_ERROR "unexpected line in the export table of ${LIBRARY}: ${line}")
    endif()
    list(APPEND actual "${CMAKE_MATCH_1}")
  endforeach()
endif()

file(STRINGS ${EXPECTED} expected REGEX "^[^#]")

set(missing ${expected})
list(REMOVE_ITEM missing ${actual})
set(surplus ${actual})
list(REMOVE_ITEM surplus ${expected})
list(LENGTH actual actualCount)
list(LENGTH expected expectedCount)
if(missing OR surplus OR NOT actualCount EQUAL expectedCount)
  list(JOIN missing "\n  " missingText)
  list(JOIN surplus "\n  " surplusText)
  message(FATAL_ERROR "${LIBRARY} exports ${actualCount} names, not the expected ones\n"
                      "missing:\n  ${missingText}\nsurplus:\n  ${surplusText}")
endif()
message(STATUS "${LIBRARY} exports exactly the ${actualCount} expected names")
