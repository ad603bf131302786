# Installs the library, its public headers, the programs, a CMake package and a pkg-config file.
install(TARGETS carmaseq EXPORT carmaseqTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Public headers keep their folder structure under include/carmaseq/.
install(DIRECTORY src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/carmaseq
  FILES_MATCHING PATTERN "*.h"
  PATTERN "*_testutil.h" EXCLUDE)

set(CARMASEQ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/carmaseq)
install(EXPORT carmaseqTargets NAMESPACE carmaseq:: DESTINATION ${CARMASEQ_CMAKE_DIR})
configure_package_config_file(cmake/carmaseqConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfig.cmake INSTALL_DESTINATION ${CARMASEQ_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfigVersion.cmake DESTINATION ${CARMASEQ_CMAKE_DIR})

configure_file(cmake/carmaseq.pc.in ${CMAKE_CURRENT_BINARY_DIR}/carmaseq.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/carmaseq.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
