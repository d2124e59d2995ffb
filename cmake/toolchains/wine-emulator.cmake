# Runs the cross-built test programs under Wine (wine-run.sh), in a Wine prefix of this build
# tree only: the test run makes it afresh, and removes it and stops its wineserver at the end
# (tests/windows/wine-prefix.sh).
find_program(HALVEX_WINE NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(HALVEX_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(HALVEX_WINE AND HALVEX_WINESERVER)
  set(HALVEX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${HALVEX_WINE} ${HALVEX_WINE_PREFIX})
endif()
