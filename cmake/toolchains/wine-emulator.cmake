# Runs the cross-built test programs under Wine (wine-run.sh), in a Wine prefix of this build
# tree only: the test run makes it afresh, and removes it and stops its wineserver at the end
# (tests/windows/wine-prefix.sh). The including file names the loader, HALVEX_WINE_LOADER: wine64
# for 64-bit programs, wine (Debian's wine32:i386) for 32-bit ones. A loader that cannot start
# here leaves the build without an emulator: its tests then only read what it built.
find_program(HALVEX_WINE NAMES ${HALVEX_WINE_LOADER} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(HALVEX_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(HALVEX_WINE AND HALVEX_WINESERVER)
  execute_process(COMMAND ${HALVEX_WINE} --version RESULT_VARIABLE halvex_wine_status
                  OUTPUT_QUIET ERROR_VARIABLE halvex_wine_error)
  if(halvex_wine_status EQUAL 0)
    set(HALVEX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${HALVEX_WINE} ${HALVEX_WINE_PREFIX})
  else()
    string(STRIP "${halvex_wine_error}" halvex_wine_error)
    message(WARNING "${HALVEX_WINE} cannot run here (${halvex_wine_error}): "
                    "no test program of this build runs, its tests only read what it built")
  endif()
endif()
