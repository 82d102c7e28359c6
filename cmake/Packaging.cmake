# `cpack -G DEB` in the build folder (scripts/package.sh) gives a package for the desks: the
# application folder, the launcher and the desktop entry, with the packages the tool needs at run
# time declared.

# The default settings reach the application folder through the package's postinst, and only where
# a desk has none, so that an upgrade never replaces a desk's own settings.
install(FILES ${PROJECT_SOURCE_DIR}/assets/package/VO_Vudu.ini
        DESTINATION share/velmora-barcode-tool RENAME VO_Vudu.ini.default)

set(CPACK_PACKAGE_NAME velmora-barcode-tool)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora Labortechnik <support@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Numbers, records and prints the sample stickers of a laboratory's kits")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr) # with CPACK_SET_DESTDIR this is the prefix that counts
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# What the binaries link comes from dpkg-shlibdeps; what is loaded at run time is named here: the
# SQL and window plug-ins, the ODBC drivers, the CUPS client library and the sticker fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, libqt6sql6-sqlite, libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, tdsodbc, odbc-postgresql, libcups2, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/assets/package/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SET_DESTDIR ON) # the application folder is an absolute path
# The package holds only what is installed; the tests need not be built for it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
