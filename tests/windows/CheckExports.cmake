# Compares the names in the export table of a DLL, as objdump -p shows it, whole with the
# expected ones (the lines of EXPECTED that are no comment), in any order:
#   cmake -DOBJDUMP=objdump -DLIBRARY=halvex.dll -DEXPECTED=names.txt -P CheckExports.cmake
cmake_policy(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE headers COMMAND_ERROR_IS_FATAL ANY)

# The names follow the line "[Ordinal/Name Pointer] Table", one "\t[   n] name" a line, up to
# the next empty line.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${headers}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" lines "${table}")
list(TRANSFORM lines REPLACE "^\t\\[ *[0-9]+\\] " "" OUTPUT_VARIABLE actual)
file(STRINGS ${EXPECTED} expected REGEX "^[^#]")
list(SORT actual)
list(SORT expected)
if(NOT actual STREQUAL expected)
  list(JOIN actual "\n  " actualText)
  list(JOIN expected "\n  " expectedText)
  message(FATAL_ERROR "${LIBRARY} exports\n  ${actualText}\nand not\n  ${expectedText}")
endif()
