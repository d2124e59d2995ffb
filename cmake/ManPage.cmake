# halvex-host(1), made from docs/halvex-host.md by pandoc (Debian: pandoc) and installed
# compressed. Without pandoc the build goes on without the page, and `cpack` refuses to make a
# package that would lack it.

find_program(HALVEX_PANDOC pandoc)
if(HALVEX_PANDOC)
  set(page ${PROJECT_BINARY_DIR}/halvex-host.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${HALVEX_PANDOC} --standalone --to man
            --lua-filter ${CMAKE_CURRENT_LIST_DIR}/man-page.lua
            --metadata title=HALVEX-HOST --metadata section=1
            --metadata "footer=halvex ${PROJECT_VERSION}" --metadata "header=User Commands"
            --output ${page} ${PROJECT_SOURCE_DIR}/docs/halvex-host.md
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/halvex-host.md ${CMAKE_CURRENT_LIST_DIR}/man-page.lua
    VERBATIM)
  halvex_gzip(halvex_man_page ${page} ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "pandoc not found: no man page, and cpack will refuse to make the package")
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/NoManPage.cmake)
endif()
