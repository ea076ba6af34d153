# Install rules and packages: `cmake --install` puts the programs in the usual
# places; `cpack` makes a .deb on Linux and a .zip of the programs on Windows.
include(GNUInstallDirs)

# On Windows the programs and the README lie side by side in the zip's folder,
# where the tool finds Setting.dat beside itself.
if(WIN32)
  set(_tidehaul_bindir .)
  set(_tidehaul_docdir .)
else()
  set(_tidehaul_bindir ${CMAKE_INSTALL_BINDIR})
  set(_tidehaul_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tidehaul)
endif()

# Whichever of the programs this build makes, wherever their targets are made;
# on Linux each with its manual page, compressed as Debian wants it: the
# highest level, no name or time stamp inside.
find_program(TIDEHAUL_GZIP gzip)
set(_programs tidehaul tidehaul-send tidehaul-settings tidehaul-logger-sim tidehaul-screenshot
              tidehaul-status)
foreach(_program ${_programs})
  if(NOT TARGET ${_program})
    continue()
  endif()
  install(TARGETS ${_program} RUNTIME DESTINATION ${_tidehaul_bindir})
  if(NOT WIN32 AND TIDEHAUL_GZIP)
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${_program}.1)
    configure_file(${CMAKE_SOURCE_DIR}/doc/man/${_program}.1 ${_page} @ONLY)
    execute_process(COMMAND ${TIDEHAUL_GZIP} -9nc ${_page} OUTPUT_FILE ${_page}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${_tidehaul_docdir})

set(CPACK_PACKAGE_NAME tidehaul)
set(CPACK_PACKAGE_VENDOR "The Tidehaul Project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fetch measurement data from field data loggers")
# Lines under 80 characters: the .deb shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION
    "Tidehaul fetches the data files of field data loggers over serial lines
and modems, appends their data lines to text files and deletes the fetched
files on the logger. A parent program starts it and names the device to
fetch from. The package holds the tool and the programs beside it:
tidehaul-send names the device, tidehaul-settings reads and writes the
settings file, tidehaul-status shows which station has not delivered (also
for monitoring systems and Prometheus), tidehaul-logger-sim simulates a
logger on a pseudo-terminal.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(TIDEHAUL_PACKAGE_MAINTAINER "Tidehaul Packaging Team <packaging@tidehaul-project.org>"
      CACHE STRING "Maintainer named in the .deb")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TIDEHAUL_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Dependencies come from the libraries the programs are linked with.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${_tidehaul_docdir})
  install(FILES ${CMAKE_SOURCE_DIR}/tools/logger-sim/README.md
          DESTINATION ${_tidehaul_docdir} RENAME tidehaul-logger-sim.md)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/demo.sh DESTINATION ${_tidehaul_docdir}/examples)
  # Debian wants the changelog compressed with the highest level and no time stamp.
  if(TIDEHAUL_GZIP)
    set(_changelog ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/debian)
    execute_process(COMMAND ${TIDEHAUL_GZIP} -9nc ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
                    OUTPUT_FILE ${_changelog} COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
    install(FILES ${_changelog} DESTINATION ${_tidehaul_docdir})
  endif()
endif()

include(CPack)
