# Installation beyond the two programs, and the Debian package (cpack -G DEB, or the
# "package" target): desktop entry, icons, AppStream data, manual pages, the portal's
# user service and the package's documentation.
include(GNUInstallDirs)

set(dist ${CMAKE_SOURCE_DIR}/dist/unix)
install(TARGETS nimbulux-portal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/nimbulux.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/nimbulux-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME nimbulux.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/nimbulux.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${dist}/org.nimbulux.Nimbulux.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# User units live under lib/ whatever the library folder of the platform is.
install(FILES ${dist}/nimbulux-portal.service DESTINATION lib/systemd/user)

# Manual pages and the changelog are installed compressed, without time stamps, so that
# two builds of one source give the same package.
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(doc nimbulux.1 nimbulux-portal.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
    COMMAND ${GZIP} -9nc ${dist}/${doc} > ${CMAKE_BINARY_DIR}/dist/${doc}.gz
    DEPENDS ${dist}/${doc} VERBATIM)
  list(APPEND compressed ${CMAKE_BINARY_DIR}/dist/${doc}.gz)
endforeach()
add_custom_target(nimbulux_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/dist/nimbulux.1.gz ${CMAKE_BINARY_DIR}/dist/nimbulux-portal.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dist}/copyright ${CMAKE_BINARY_DIR}/dist/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nimbulux)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nimbulux)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Nimbulux developers")
set(CPACK_PACKAGE_CONTACT "The Nimbulux developers <developers@nimbulux.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop weather widget for cities of China")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Nimbulux shows the current conditions and the forecast for a city of China"
  "over a background picture in a small borderless window, and the temperature"
  "as coloured digits in the notification area. It is commanded through a popup"
  "menu and an options dialog."
  ""
  "The package also holds nimbulux-portal, the local weather service the widget"
  "reads, run as a user service. It serves live data of Open-Meteo (CC BY 4.0),"
  "or generated demo weather.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Named as well as found by dpkg-shlibdeps: the portal writes its icons with giflib and
# computes the solar terms with ERFA.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgif7, liberfa1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${dist}/postinst ${dist}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
