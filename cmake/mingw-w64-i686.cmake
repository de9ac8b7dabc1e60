# 32-bit Windows: cmake -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(DRU_MINGW_TRIPLET i686-w64-mingw32)
# Doubles in SSE registers, as on 64-bit: x87 arithmetic keeps excess
# precision, so a date or an amount could differ in its last bit from the
# same sum on 64-bit (and exact comparisons of parsed values would fail).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
