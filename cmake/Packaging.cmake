# The Debian package of the Linux programs, made by CPack (make dist): the
# window, ostrevin-calc and its PNG rasteriser, the desktop entry, icons,
# AppStream metadata, manual pages, the copyright file and the changelogs.
# Dependencies are computed by dpkg-shlibdeps; binaries are stripped.
include(GNUInstallDirs)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/ostrevin)
set(package_dir ${CMAKE_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${package_dir})

# The copyright file: the licence and the notices of what is inside.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/notices.sh debian
                OUTPUT_FILE ${package_dir}/copyright COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -R -d "${OSTREVIN_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE OSTREVIN_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/res/debian/changelog.in ${package_dir}/changelog.Debian @ONLY)

find_program(GZIP gzip REQUIRED)
find_program(HELP2MAN help2man REQUIRED)
# The manual page of ostrevin-calc, from its own help: the commands and
# each command's help, so that it never says other than the program.
add_custom_command(
  OUTPUT ${package_dir}/ostrevin-calc.1.gz
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-manual.sh $<TARGET_FILE:ostrevin-calc>
          ${package_dir}/ostrevin-calc.1
  COMMAND ${GZIP} -9nf ${package_dir}/ostrevin-calc.1
  DEPENDS ostrevin-calc ${PROJECT_SOURCE_DIR}/scripts/make-manual.sh
  VERBATIM)
add_custom_command(
  OUTPUT ${package_dir}/ostrevin.1.gz ${package_dir}/changelog.Debian.gz
         ${package_dir}/CHANGELOG.md.gz
  COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/res/ostrevin.1 > ${package_dir}/ostrevin.1.gz
  COMMAND ${GZIP} -9nc ${package_dir}/changelog.Debian > ${package_dir}/changelog.Debian.gz
  COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/CHANGELOG.md > ${package_dir}/CHANGELOG.md.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/res/ostrevin.1 ${package_dir}/changelog.Debian
          ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  VERBATIM)
add_custom_target(package_files ALL
                  DEPENDS ${package_dir}/ostrevin-calc.1.gz ${package_dir}/ostrevin.1.gz
                          ${package_dir}/changelog.Debian.gz ${package_dir}/CHANGELOG.md.gz)

install(FILES ${package_dir}/ostrevin-calc.1.gz ${package_dir}/ostrevin.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${package_dir}/copyright ${package_dir}/changelog.Debian.gz
              ${package_dir}/CHANGELOG.md.gz
        DESTINATION ${docdir})
# The survey the manual's and the README's worked example reads.
install(FILES ${PROJECT_SOURCE_DIR}/docs/survey.csv DESTINATION ${docdir}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrevin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})  # all four parts: CPack keeps three otherwise
set(CPACK_PACKAGE_CONTACT "The Ostrevin developers <developers@ostrevin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resistance to earth of driven ground rods")
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Ostrevin answers the questions of earthing a building or a site with driven
rods: the resistance to earth of a rod of a given length in soil of a given
resistivity, the rod length that gives a wanted resistance, and the soil
resistivity from a four-probe (Wenner) field reading, in English or Metric
units.
.
The package holds the calculator window (ostrevin) and its command-line
companion (ostrevin-calc), which also works out groups of rods bonded
together, the fewest rods for a wanted resistance, the US electrical code's
25-ohm rule for a single rod, the resistivity from deep probes or a driven
rod, CSV batches and resistance curves as SVG or PNG.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
