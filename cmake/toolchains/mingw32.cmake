# Windows x86 (32-bit) with Debian's MinGW-w64 cross compiler (g++-mingw-w64-i686-posix). Debian's
# wine64 runs no 32-bit programs, so this build has no emulator: its tests only read what it built.
set(HALVEX_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
