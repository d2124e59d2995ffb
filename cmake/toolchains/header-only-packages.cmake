# Debian packs nlohmann-json and CLI11 for the build machine only. Both are headers alone, so the
# cross build may use them, but not through /usr/include, where glibc's headers would shadow
# MinGW's. This builds a root of links that holds those two packages and nothing else, and adds
# it to the search roots: their package files then point the include path into it.
set(halvex_header_root ${CMAKE_BINARY_DIR}/header-only-root)
foreach(link
    usr/include/nlohmann
    usr/include/CLI
    usr/share/cmake/nlohmann_json
    usr/share/cmake/CLI11)
  if(EXISTS /${link} AND NOT EXISTS ${halvex_header_root}/${link})
    get_filename_component(parent ${halvex_header_root}/${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK /${link} ${halvex_header_root}/${link} SYMBOLIC)
  endif()
endforeach()
list(APPEND CMAKE_FIND_ROOT_PATH ${halvex_header_root})
