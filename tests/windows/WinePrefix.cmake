# The Wine prefix that the Windows tests run in, made afresh before them and removed after them:
#   cmake -DACTION=create|remove -DWINE=wine64 -DWINESERVER=wineserver -DPREFIX=dir -P WinePrefix.cmake
# Removing it stops its wineserver first, so that nothing of the test run is left running.
foreach(variable ACTION WINE WINESERVER PREFIX)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "WinePrefix.cmake needs -D${variable}=...")
  endif()
endforeach()

function(run_in_prefix)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${PREFIX} ${ARGN}
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  set(result ${result} PARENT_SCOPE)
endfunction()

function(stop_wineserver)
  if(EXISTS ${PREFIX})
    run_in_prefix(${WINESERVER} --kill)
    run_in_prefix(${WINESERVER} --wait)
  endif()
endfunction()

if(ACTION STREQUAL "create")
  stop_wineserver()
  file(REMOVE_RECURSE ${PREFIX})
  run_in_prefix(${WINE} wineboot --init)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "wineboot --init failed (${result}) for the prefix ${PREFIX}")
  endif()
  message(STATUS "Wine prefix ${PREFIX} created")
elseif(ACTION STREQUAL "remove")
  stop_wineserver()
  file(REMOVE_RECURSE ${PREFIX})
  message(STATUS "Wine prefix ${PREFIX} removed, its wineserver stopped")
else()
  message(FATAL_ERROR "ACTION must be create or remove, not ${ACTION}")
endif()
