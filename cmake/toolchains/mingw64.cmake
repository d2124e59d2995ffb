# Windows x86_64 with Debian's MinGW-w64 cross compiler (g++-mingw-w64-x86-64-posix). Tests run
# under Wine (wine64).
set(HALVEX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HALVEX_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/wine-emulator.cmake)
