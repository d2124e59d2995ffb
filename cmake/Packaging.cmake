# What an installation holds beyond the programs and libraries, and the Debian package made
# from it with `cpack -G DEB` in a build directory.

# The example hook stays a program that halvex-host can run.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/halvex/examples USE_SOURCE_PERMISSIONS)
install(FILES ${PROJECT_SOURCE_DIR}/docs/halvex-host.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/halvex)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "halvex")
set(CPACK_PACKAGE_VENDOR "Halvex")
set(CPACK_PACKAGE_CONTACT "Halvex maintainers <halvex@localhost>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "USB diagnostics module and its command-line host")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "The Halvex module lists a server's USB devices and checks its hubs for ports in "
  "over-current. halvex-host loads it like the diagnostics framework does; its diagnose "
  "command reports by the monitoring-plugin exit convention and writes node_exporter "
  "textfile metrics. Example topologies for the simulated USB backend and a systemd service "
  "and timer are under /usr/share/halvex/examples.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Dependencies come from what the binaries link; our own two libraries travel in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_INSTALL_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "prometheus-node-exporter")

include(CPack)
