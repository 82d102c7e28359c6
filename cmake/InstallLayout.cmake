# An installed copy is one self-contained application folder, a launcher on the PATH and a desktop
# entry. The folder holds the executable and both printer libraries side by side, as in build/app.
set(VELMORA_INSTALL_DIR "/opt/velmora-barcode-tool" CACHE PATH "The installed application folder")
# The desk's own files: the settings, and logos beside them.
set(VELMORA_SETTINGS_DIR "/etc/velmora-barcode-tool" CACHE PATH "Where the desk's settings live")

install(TARGETS velmora-barcode-tool RUNTIME DESTINATION ${VELMORA_INSTALL_DIR})
install(TARGETS slpapi7x32 slpapi62 LIBRARY DESTINATION ${VELMORA_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/assets/velmora-barcode-tool.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/icon-256.png
        DESTINATION share/icons/hicolor/256x256/apps RENAME velmora-barcode-tool.png)
# The pristine settings, for comparing and for a desk that lost its own; and the server schemas.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/VO_Vudu.ini
        DESTINATION share/velmora-barcode-tool RENAME VO_Vudu.ini.default)
install(FILES ${PROJECT_SOURCE_DIR}/schema/postgresql.sql ${PROJECT_SOURCE_DIR}/schema/sqlserver.sql
        DESTINATION share/velmora-barcode-tool/schema)

# The tool resolves the launcher's link, so it still finds its settings and libraries beside the
# real file. It reads <application folder>/VO_Vudu.ini, which links to the desk's file in /etc, and
# logos named desk/... through a second link. The settings file is copied only where there is
# none: a second `cmake --install` keeps the desk's own, as the package does.
install(CODE "
    set(root \"\$ENV{DESTDIR}\")
    file(MAKE_DIRECTORY \"\${root}\${CMAKE_INSTALL_PREFIX}/bin\" \"\${root}${VELMORA_SETTINGS_DIR}\")
    file(CREATE_LINK \"${VELMORA_INSTALL_DIR}/velmora-barcode-tool\"
         \"\${root}\${CMAKE_INSTALL_PREFIX}/bin/velmora-barcode-tool\" SYMBOLIC)
    file(CREATE_LINK \"${VELMORA_SETTINGS_DIR}/VO_Vudu.ini\" \"\${root}${VELMORA_INSTALL_DIR}/VO_Vudu.ini\" SYMBOLIC)
    file(CREATE_LINK \"${VELMORA_SETTINGS_DIR}\" \"\${root}${VELMORA_INSTALL_DIR}/desk\" SYMBOLIC)
    if(NOT EXISTS \"\${root}${VELMORA_SETTINGS_DIR}/VO_Vudu.ini\")
        file(COPY \"${PROJECT_SOURCE_DIR}/packaging/VO_Vudu.ini\" DESTINATION \"\${root}${VELMORA_SETTINGS_DIR}\"
             FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()")
