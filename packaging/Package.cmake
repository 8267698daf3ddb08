# Installing the programs and building the Debian package (scripts/package runs CPack):
# every program the project builds, the desktop entry in Polish and English, the icon made from
# the start-up artwork, the user's guide and the note on the dialout group.
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
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.Debian DESTINATION ${fluxa_doc})

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
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "desktop companion of the handheld magnetic-field meter
 Fluxa shows every live result of the meter on a serial port (field in Gs, mT or
 kA/m, DC or AC, range, probe temperature), keeps minimum, maximum and average,
 draws a live chart, records to data files and prints measurement reports; in
 service mode it holds the meter's calibration, prints a calibration card and
 runs a calibration wizard. Polish and English. fluxa-sim simulates the meter on
 pseudo-terminals.
 .
 The user needs membership of the dialout group to reach the serial ports:
 sudo adduser USER dialout, then log in again.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit's Polish texts (file and print dialogs, message boxes) come from Debian's package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
