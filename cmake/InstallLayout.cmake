# An installed copy is one self-contained application folder, a launcher on the PATH and a desktop
# entry. The folder holds the executable and both printer libraries side by side, as in build/app.
set(VELMORA_INSTALL_DIR "/opt/velmora-barcode-tool" CACHE PATH "The installed application folder")

install(TARGETS velmora-barcode-tool RUNTIME DESTINATION ${VELMORA_INSTALL_DIR})
install(TARGETS slpapi7x32 slpapi62 LIBRARY DESTINATION ${VELMORA_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/assets/velmora-barcode-tool.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/icon-256.png
        DESTINATION share/icons/hicolor/256x256/apps RENAME velmora-barcode-tool.png)
# The tool resolves the link, so it still finds its settings and libraries beside the real file.
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK \"${VELMORA_INSTALL_DIR}/velmora-barcode-tool\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/velmora-barcode-tool\" SYMBOLIC)")
