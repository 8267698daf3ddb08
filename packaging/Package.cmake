# Installing the programs and building the Debian package (scripts/package runs CPack):
# every program the project builds, the desktop entry in Polish and English, the icon made from
# the start-up artwork, the user's guide, the note on the dialout group, the man pages, the shell
# completion of fluxa-cli, the copyright file and the changelog.
include(GNUInstallDirs)

set(fluxa_programs fluxa)
foreach(program fluxa-sim fluxa-cli)
  if(TARGET ${program})
    list(APPEND fluxa_programs ${program})
  endif()
endforeach()
install(TARGETS ${fluxa_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# On Windows the toolkit's Polish texts travel beside the program, in translations/, where it
# looks first; on Debian they come from qt6-translations-l10n.
if(WIN32)
  get_filename_component(qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)  # <prefix>/lib/cmake/Qt6
  install(FILES "${qt_prefix}/translations/qtbase_pl.qm" DESTINATION ${CMAKE_INSTALL_BINDIR}/translations)
endif()

install(FILES ${CMAKE_CURRENT_LIST_DIR}/fluxa.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icons, drawn by the program's own code at build time.
add_executable(make_icon ${CMAKE_CURRENT_LIST_DIR}/make_icon.cpp)
target_link_libraries(make_icon PRIVATE fluxa_core)
set(fluxa_icons)
foreach(size 48 64 128 256)
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}/fluxa.png)
  add_custom_command(OUTPUT ${icon}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
                     COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                             $<TARGET_FILE:make_icon> ${size} ${icon}
                     DEPENDS make_icon
                     COMMENT "Drawing the ${size} px icon")
  list(APPEND fluxa_icons ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(fluxa_icons ALL DEPENDS ${fluxa_icons})

set(fluxa_doc ${CMAKE_INSTALL_DATADIR}/doc/fluxa)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/guide/pl ${CMAKE_SOURCE_DIR}/guide/en ${CMAKE_SOURCE_DIR}/guide/images
        DESTINATION ${fluxa_doc}/guide)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.Debian ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${fluxa_doc})

# The man pages (man/, plain roff) and the changelog of this native package, compressed as Debian
# keeps them (gzip -9n: no name or time stamp in the header, so a build gives the same bytes).
if(UNIX)
  find_program(FLUXA_GZIP gzip REQUIRED)
  set(fluxa_gzipped)
  function(fluxa_gzip source output)
    add_custom_command(OUTPUT ${output}
                       COMMAND sh -c "\"$0\" -9 -n -c \"$1\" > \"$2\"" ${FLUXA_GZIP} ${source} ${output}
                       DEPENDS ${source}
                       COMMENT "Compressing ${output}"
                       VERBATIM)
    set(fluxa_gzipped ${fluxa_gzipped} ${output} PARENT_SCOPE)
  endfunction()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
  foreach(program ${fluxa_programs})
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    fluxa_gzip(${CMAKE_SOURCE_DIR}/man/${program}.1 ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  fluxa_gzip(${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${fluxa_doc})
  add_custom_target(fluxa_docs ALL DEPENDS ${fluxa_gzipped})
  if(TARGET fluxa-cli)
    install(FILES ${CMAKE_SOURCE_DIR}/man/fluxa-cli.bash-completion
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME fluxa-cli)
  endif()
endif()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_NAME fluxa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Ferrolab)
set(CPACK_PACKAGE_CONTACT "Ferrolab")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the handheld magnetic-field meter")
# CPack puts the summary on the Description line and indents each line below by one space itself:
# the paragraph is plain lines (a line indented further would show as preformatted text).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fluxa shows every live result of the meter on a serial port (field in Gs, mT or
kA/m, DC or AC, range, probe temperature), keeps minimum, maximum and average,
draws a live chart, records to data files and prints measurement reports; in
service mode it holds the meter's calibration, sends it to the meter, prints a
calibration card and runs a calibration wizard; in Polish and English.
fluxa-cli reads, records and downloads the meter's results from the command
line and from scripts, and fluxa-sim simulates the meter on pseudo-terminals.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's Polish texts (file and print dialogs, message boxes) come from Debian's package.
# The calibration records are kept by Qt's SQLite driver, a plugin the library check cannot see;
# a lab's PostgreSQL server needs the other driver, recommended.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
