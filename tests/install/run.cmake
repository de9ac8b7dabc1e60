# Installs the build into a temporary prefix, then builds host.c against it
# twice - with find_package(dru01000) and with pkg-config - and runs both;
# then builds the installed sample host both ways and prints a sale with each
# on a printer_sim of the prefix. No program is given LD_LIBRARY_PATH: they
# find the library by their run path.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DVERSION=... -P run.cmake
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

# A host that ran prints the library's version: its exit code alone could
# come from something else that ran in its place.
function(expect_host_output what)
  if(NOT last_output MATCHES "^dru01000 ${VERSION}, last exchange ")
    message(FATAL_ERROR "the ${what} host did not report the library's version ${VERSION}:\n${last_output}")
  endif()
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
set(examples ${prefix}/share/dru01000/examples)
foreach(installed include/dru01000.h include/dru01000.hpp bin/dru bin/printer_sim
        share/dru01000/examples/sale.json share/dru01000/examples/host/sale.c
        share/dru01000/examples/host/CMakeLists.txt)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
file(GLOB_RECURSE sonames ${prefix}/*/libdru01000.so.1)
if(NOT sonames)
  message(FATAL_ERROR "libdru01000.so.1 not installed")
endif()
get_filename_component(libdir ${sonames} DIRECTORY)

# The installed dru runs on its own, on the simulator's virtual clock.
run(${prefix}/bin/dru --host-folder ${WORK_DIR} --preview --json drawer)
if(NOT last_output MATCHES "\"outcome\": \"answered\"")
  message(FATAL_ERROR "the installed dru did not drive the simulator:\n${last_output}")
endif()

# With the CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/with_cmake -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/with_cmake)
run(${WORK_DIR}/with_cmake/host)
expect_host_output(find_package)
message(STATUS "find_package host: ${last_output}")

# With pkg-config.
find_program(PKG_CONFIG pkg-config REQUIRED)
find_program(CC NAMES cc gcc REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
run(${PKG_CONFIG} --cflags --libs dru01000)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CC} ${SOURCE_DIR}/host.c -o ${WORK_DIR}/pkg_host ${flags})
run(${WORK_DIR}/pkg_host)
expect_host_output(pkg-config)
message(STATUS "pkg-config host: ${last_output}")

# dru's help names the installed examples.
run(${prefix}/bin/dru --help)
if(NOT last_output MATCHES "share/dru01000/examples")
  message(FATAL_ERROR "dru's help does not name the installed examples:\n${last_output}")
endif()

# The sample host, built from the installed examples both ways.
run(${CMAKE_COMMAND} -S ${examples}/host -B ${WORK_DIR}/sample_cmake -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/sample_cmake)
run(${PKG_CONFIG} --cflags --libs dru01000)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CC} ${examples}/host/sale.c -o ${WORK_DIR}/sample_pkg ${flags})

# Each prints a sale on a fresh printer_sim, stopped (SIGTERM) once the host is done.
foreach(sample ${WORK_DIR}/sample_cmake/sale ${WORK_DIR}/sample_pkg)
  run(sh ${SOURCE_DIR}/with_printer_sim.sh ${prefix}/bin/printer_sim ${sample} ${WORK_DIR})
  if(NOT last_output MATCHES "receipt 0000001001")
    message(FATAL_ERROR "${sample} printed no sale on printer_sim:\n${last_output}")
  endif()
  message(STATUS "sample host ${sample}: ${last_output}")
endforeach()
