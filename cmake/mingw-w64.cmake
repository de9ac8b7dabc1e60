# What both Windows toolchain files share: MinGW-w64 with POSIX threads
# (Debian's g++-mingw-w64-<arch>-posix, whose std::thread the simulator
# uses) for the triplet DRU_MINGW_TRIPLET, and Wine to run what it builds
# (the tests, as ctest starts them). Used through mingw-w64-i686.cmake or
# mingw-w64-x86_64.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${DRU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DRU_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DRU_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(DRU_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DRU_WINE})
