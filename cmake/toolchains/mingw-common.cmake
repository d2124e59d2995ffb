# What both MinGW-w64 toolchains share; the including file sets HALVEX_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR. The posix thread model gives std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${HALVEX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALVEX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HALVEX_MINGW_TRIPLET}-windres)

# Libraries and packages come from the MinGW tree only, programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${HALVEX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/header-only-packages.cmake)
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/windows-names.cmake)
