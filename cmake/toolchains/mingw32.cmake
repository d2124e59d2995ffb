# Windows x86 (32-bit) with Debian's MinGW-w64 cross compiler (g++-mingw-w64-i686-posix). Tests
# run under Wine's 32-bit loader (wine32:i386), which needs a kernel that runs 32-bit programs.
set(HALVEX_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(HALVEX_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/wine-emulator.cmake)
