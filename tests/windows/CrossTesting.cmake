# Testing a cross build for Windows. Debian's GoogleTest packages hold Linux libraries only, so
# GoogleTest is built from Debian's sources like our own code. The test programs run under the
# toolchain's emulator, Wine, in a prefix of the build tree that the test run makes afresh
# (fixture "wine") and removes at its end; their tests are listed when the test run starts, so
# that Wine runs in the test step only.
set(HALVEX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(INSTALL_GTEST OFF)
add_subdirectory(${HALVEX_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Wine shows the build machine's root as drive Z:. The test programs change their current
# directory to the temporary one on drive C:, where a path without a drive would be looked for, so
# the paths they are built with carry the drive.
set(HALVEX_TEST_PATH_PREFIX "Z:")

if(CMAKE_CROSSCOMPILING_EMULATOR)
  foreach(action create remove)
    add_test(NAME wine_prefix_${action}
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh ${action} ${HALVEX_WINE}
                     ${HALVEX_WINESERVER} ${HALVEX_WINE_PREFIX})
  endforeach()
  set_tests_properties(wine_prefix_create PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_prefix_remove PROPERTIES FIXTURES_CLEANUP wine)
  # What every test of the run needs: those a suite adds itself, and those found in its programs.
  set(HALVEX_TEST_PROPERTIES FIXTURES_REQUIRED wine)
  set(HALVEX_DISCOVERY_OPTIONS DISCOVERY_MODE PRE_TEST PROPERTIES ${HALVEX_TEST_PROPERTIES})
endif()
