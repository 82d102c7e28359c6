# `cpack -G DEB` in the build folder (scripts/package.sh) gives a package for the desks: the
# application folder, the launcher, the desktop entry, the settings as a conffile in /etc and the
# server schemas, with the packages the tool needs at run time declared. The maintainer scripts
# in packaging/ set up the group velmora and the embedded database it alone may use.

set(CPACK_PACKAGE_NAME velmora-barcode-tool)
set(CPACK_PACKAGE_VERSION "${VELMORA_VERSION}")
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora Labortechnik <support@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sample numbers and stickers for a laboratory's packing desk")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The Velmora Barcode Tool gives each sample of a customer's kit the next sample
number and a random test code, records both in the laboratory's SQL database
(an embedded SQLite file, or one SQL Server or PostgreSQL server for several
desks) and prints German sample, result and barcode stickers on label printers
through CUPS.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr) # with CPACK_SET_DESTDIR this is the prefix that counts
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What the binaries link comes from dpkg-shlibdeps; what is loaded at run time is named here: the
# SQL and window plug-ins, the ODBC drivers (clients only: a server is the lab's own machine) and
# the sticker fonts. Printing needs a CUPS scheduler, on the desk or not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, libqt6sql6-sqlite, libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, tdsodbc, odbc-postgresql, fonts-liberation2")
# The README's backup and customer entry use sqlite3; the move to a server psql.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, sqlite3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/preinst ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/prerm ${PROJECT_SOURCE_DIR}/packaging/postrm
    ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SET_DESTDIR ON) # the application folder is an absolute path

# Debian's copyright file, a changelog dated by the commit built (so a build is reproducible), the
# manual page and the README with the pictures it shows.
set(_velmora_doc share/doc/velmora-barcode-tool)
execute_process(COMMAND git log -1 --format=%aD WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE VELMORA_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(VELMORA_CHANGELOG_DATE STREQUAL "")
    set(VELMORA_CHANGELOG_DATE "Thu, 01 Jan 1970 00:00:00 +0000")
endif()
# What changed: the main line's commit subjects since the last version tag, at most 40, wrapped
# as changelog entries. Without git the entry says only which build it is.
execute_process(COMMAND git describe --tags --abbrev=0 --match "v[0-9]*" WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE _velmora_last_tag OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(_velmora_range HEAD)
if(NOT _velmora_last_tag STREQUAL "")
    set(_velmora_range "${_velmora_last_tag}..HEAD")
endif()
execute_process(COMMAND git log --first-parent -n 40 "--format=%w(76,2,4)* %s" ${_velmora_range}
                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE VELMORA_CHANGES OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
string(REGEX REPLACE "\n\n+" "\n" VELMORA_CHANGES "${VELMORA_CHANGES}")
if(VELMORA_CHANGES STREQUAL "")
    set(VELMORA_CHANGES "  * Build ${VELMORA_VERSION}, made without its git history.")
endif()
# The version has no Debian revision (a native package), so the changelog is changelog.gz.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/changelog)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${_velmora_doc})
configure_file(${PROJECT_SOURCE_DIR}/packaging/velmora-barcode-tool.1 ${CMAKE_BINARY_DIR}/packaging/velmora-barcode-tool.1 COPYONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/velmora-barcode-tool.1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/velmora-barcode-tool.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${_velmora_doc})
install(FILES ${PROJECT_SOURCE_DIR}/docs/window.png ${PROJECT_SOURCE_DIR}/docs/benchmarks.md
        DESTINATION ${_velmora_doc}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/stickers/ DESTINATION ${_velmora_doc}/docs/stickers
        FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION share/lintian/overrides RENAME velmora-barcode-tool)

# CPack's strip leaves the compiler's notes; Debian's packages go without them.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(file velmora-barcode-tool libSlpApi7x32.so libslpapi62.so)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                    \"\$ENV{DESTDIR}${VELMORA_INSTALL_DIR}/\${file}\" COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

# The package holds only what is installed; the tests need not be built for it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
