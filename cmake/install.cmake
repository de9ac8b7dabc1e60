# What `cmake --install` puts in place: the shared library with its SONAME
# and development link, both headers, dru and printer_sim, the examples
# (share/dru01000/examples, with the sample host), the CMake package
# (find_package(dru01000) gives dru01000::dru01000) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(DRU_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/dru01000)

install(TARGETS dru01000 EXPORT dru01000Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/dru01000.h ${CMAKE_SOURCE_DIR}/include/dru01000.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS dru printer_sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The input files of dru and the sample host, where dru's help names them.
set(DRU_EXAMPLES_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/dru01000/examples)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${DRU_EXAMPLES_INSTALL_DIR})

install(EXPORT dru01000Targets NAMESPACE dru01000:: DESTINATION ${DRU_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/dru01000Config.cmake.in
  ${CMAKE_BINARY_DIR}/dru01000Config.cmake INSTALL_DESTINATION ${DRU_CMAKE_DIR})
# A host built against 1.x runs with any later 1.x (the SONAME's promise).
write_basic_package_version_file(${CMAKE_BINARY_DIR}/dru01000ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/dru01000Config.cmake ${CMAKE_BINARY_DIR}/dru01000ConfigVersion.cmake
  DESTINATION ${DRU_CMAKE_DIR})

# The prefix as seen from the .pc file, so the package works wherever
# --prefix puts it.
file(RELATIVE_PATH DRU_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${CMAKE_SOURCE_DIR}/cmake/dru01000.pc.in ${CMAKE_BINARY_DIR}/dru01000.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dru01000.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
