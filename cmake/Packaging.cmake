# What an installation holds beyond the programs and libraries, and the Debian package made
# from it with `cpack -G DEB` in a build directory.

# TARGET makes OUTPUT: INPUT compressed as Debian wants it, at the highest level and without a
# time stamp.
function(halvex_gzip target input output)
  add_custom_command(OUTPUT ${output}
                     COMMAND sh -c "gzip --best --no-name --stdout \"$0\" > \"$1\"" ${input} ${output}
                     DEPENDS ${input}
                     VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# The systemd units go where systemd looks for them, not enabled; the rest of examples/, the udev
# rule among them, is for the administrator to copy from, its programs executable.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/halvex/examples
        USE_SOURCE_PERMISSIONS
        PATTERN systemd EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/docs/halvex-host.md
              ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/halvex)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_get_variable(systemd_unit_dir systemd systemdsystemunitdir)
  endif()
  if(NOT systemd_unit_dir)
    set(systemd_unit_dir /lib/systemd/system)
  endif()
  set(HALVEX_SYSTEMD_UNIT_DIR ${systemd_unit_dir} CACHE PATH "Where systemd's units are installed")
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/systemd/
          DESTINATION ${HALVEX_SYSTEMD_UNIT_DIR})
  include(${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)
  halvex_gzip(halvex_changelog ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/halvex)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "halvex")
set(CPACK_PACKAGE_VENDOR "Halvex")
set(CPACK_PACKAGE_CONTACT "Halvex maintainers <halvex@halvex.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "USB diagnostics module and its command-line host")
# Lines of at most 80 characters, as Debian's tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "The Halvex module lists a server's USB devices and checks its hubs for\n"
  "ports in over-current. halvex-host loads it like the diagnostics framework\n"
  "does; its diagnose command reports by the monitoring-plugin exit convention\n"
  "and writes node_exporter textfile metrics. A systemd service and timer run\n"
  "the check (neither is enabled); example topologies for the simulated USB\n"
  "backend and a udev rule that lets a group check the hubs without root are\n"
  "under /usr/share/halvex/examples.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Dependencies come from what the binaries link; our own two libraries travel in the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${HALVEX_INSTALL_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "prometheus-node-exporter")

include(CPack)
