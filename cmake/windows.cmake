# The Windows build, included by CMakeLists.txt when the target is Windows
# (cmake/mingw-w64-i686.cmake or cmake/mingw-w64-x86_64.cmake): the DLL
# dru01000.dll from the same objects as the shared library, and the test
# suites that need no pseudo-terminal, run under Wine by ctest.

# The Windows API of Windows 7 and later (GetLocaleInfoEx).
target_compile_definitions(dru_objects PUBLIC _WIN32_WINNT=0x0601 PRIVATE DRU_BUILD_DLL)

# Everything a program or the DLL needs from the compiler's runtime
# (libstdc++, libgcc, winpthread) is linked in: only system DLLs are needed.
set(DRU_STATIC_RUNTIME -static)

# ---- The DLL -------------------------------------------------------------------
# dru01000.dll, no "lib" prefix, exporting exactly the C entry points and the
# dru_ helpers under their plain names (also the __stdcall ones of 32-bit
# Windows: --kill-at drops the "@12" the compiler gives them).
include(${CMAKE_SOURCE_DIR}/cmake/def_from_map.cmake)
set(DRU_DEF_FILE ${CMAKE_BINARY_DIR}/dru01000.def)
dru_def_from_map(${DRU_VERSION_SCRIPT} ${CMAKE_SOURCE_DIR}/include/dru01000.h ${DRU_DEF_FILE})
add_library(dru01000 SHARED $<TARGET_OBJECTS:dru_objects> ${DRU_DEF_FILE})
target_include_directories(dru01000 PUBLIC ${CMAKE_SOURCE_DIR}/include)
target_link_options(dru01000 PRIVATE ${DRU_STATIC_RUNTIME} -Wl,--no-undefined -Wl,--kill-at)
set_target_properties(dru01000 PROPERTIES PREFIX "" IMPORT_PREFIX "" LINK_DEPENDS ${DRU_DEF_FILE})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The list names "Estado_Imp" for the object's "_Estado_Imp@12": matching
  # them is what is meant here, not a slip to warn about.
  target_link_options(dru01000 PRIVATE -Wl,--enable-stdcall-fixup)
endif()

# ---- Printer simulator (in-process only: no pseudo-terminal on Windows) --------
file(GLOB DRU_SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/sim/*.cpp)
list(FILTER DRU_SIM_SOURCES EXCLUDE REGEX "(_main|pty_server)\\.cpp$")
add_library(dru_sim STATIC ${DRU_SIM_SOURCES})
target_link_libraries(dru_sim PUBLIC dru_static)
target_include_directories(dru_sim PUBLIC ${CMAKE_SOURCE_DIR}/sim)

# ---- Tests under Wine ------------------------------------------------------------
# GoogleTest built from its sources (Debian's googletest package).
set(DRU_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${DRU_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()
# One Wine prefix per build folder, made by the first test (Wine's first
# start is slow), quiet unless a test fails.
set(DRU_WINE_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all)
add_test(NAME wine_prefix COMMAND ${CMAKE_COMMAND} -E env ${DRU_WINE_ENVIRONMENT} ${DRU_WINE} wineboot --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)

# The suites that run on the fake port, the in-process simulator and the
# virtual clock, and the DLL loaded as a host loads it.
set(DRU_WINE_SUITES host link documents api)
# Their files that need what Windows does not have.
set(DRU_POSIX_ONLY_TESTS
  host/unique_fd_test.cpp          # POSIX descriptors and pipes
  link/serial_termios_test.cpp     # the termios backend on a pseudo-terminal
  link/file_log_sink_test.cpp      # a write that fails (a file size limit)
  api/symbols_test.cpp             # the ELF symbol table (the DLL's: dll_tables_win32.cpp)
  api/c_interface_test.cpp         # the simulator on a pseudo-terminal
  api/cpp_api_test.cpp             # idem, and the C++ interface is not in the DLL
)
list(TRANSFORM DRU_POSIX_ONLY_TESTS PREPEND ${CMAKE_SOURCE_DIR}/tests/)
file(GLOB DRU_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
# Wine shows the Unix root as drive Z:.
if(CMAKE_SOURCE_DIR MATCHES "^/")
  set(DRU_WINE_SOURCE_DIR "Z:${CMAKE_SOURCE_DIR}")
else()
  set(DRU_WINE_SOURCE_DIR "${CMAKE_SOURCE_DIR}")
endif()

function(dru_wine_test_program area sources)
  add_executable(test_${area} ${sources} ${DRU_TEST_SUPPORT})
  target_include_directories(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_precompile_headers(test_${area} PRIVATE <gtest/gtest.h> ${DRU_COMMON_HEADERS})
  target_compile_definitions(test_${area} PRIVATE
    DRU_GOLDEN_DIR="${DRU_WINE_SOURCE_DIR}/tests/golden"
    DRU_SHARED_LIBRARY="dru01000.dll")
  target_link_libraries(test_${area} PRIVATE dru_sim dru_static GTest::gtest GTest::gtest_main)
  target_link_options(test_${area} PRIVATE ${DRU_STATIC_RUNTIME})
  add_dependencies(test_${area} dru01000)
endfunction()

foreach(area ${DRU_WINE_SUITES})
  file(GLOB_RECURSE area_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
  list(REMOVE_ITEM area_sources ${DRU_POSIX_ONLY_TESTS})
  dru_wine_test_program(${area} "${area_sources}")
  # One run of the whole program: each Wine start costs more than a test.
  # It passes on GoogleTest's own summary, not on Wine's exit code.
  add_test(NAME wine_${area} COMMAND ${CMAKE_COMMAND} -DLAUNCHER=${DRU_WINE}
    -DPROGRAM=$<TARGET_FILE:test_${area}> -P ${CMAKE_SOURCE_DIR}/cmake/gtest_ran.cmake)
  set_tests_properties(wine_${area} PROPERTIES
    ENVIRONMENT "${DRU_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine_prefix TIMEOUT 600)
endforeach()

# The integration run on a COM port: COM1 mapped to printer_sim's
# pseudo-terminal (a program of the Linux build, DRU_PRINTER_SIM), the day
# operations and one sale through the DLL.
file(GLOB DRU_COM_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/integration/*_win32.cpp)
dru_wine_test_program(integration "${DRU_COM_TESTS}")
set(DRU_PRINTER_SIM "" CACHE FILEPATH "printer_sim of a Linux build, for the COM port run under Wine")
if(DRU_PRINTER_SIM)
  add_test(NAME wine_com_port COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine_com_port.sh
    ${DRU_PRINTER_SIM} $<TARGET_FILE:test_integration>)
  set_tests_properties(wine_com_port PROPERTIES
    ENVIRONMENT "${DRU_WINE_ENVIRONMENT};DRU_WINE=${DRU_WINE}" FIXTURES_REQUIRED wine_prefix TIMEOUT 600
    RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endif()
