# Installing KIV like any desktop program, and the .deb package (scripts/package builds it).
set(KIV_APP_ID org.kiv.KIV)
install(TARGETS KIV kivtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/linux/${KIV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/linux/${KIV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The .kivbook type; the system's MIME and desktop databases pick it up through their package triggers.
install(FILES res/linux/${KIV_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    RENAME ${KIV_APP_ID}.xml)
foreach(size 48 256)
    install(FILES res/linux/icons/${KIV_APP_ID}-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${KIV_APP_ID}.png)
endforeach()
install(FILES res/linux/icons/${KIV_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES res/linux/man/KIV.1 res/linux/man/kivtool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/linux/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kiv)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kiv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "KIV developers <kiv@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make point-reading books for a reading pen")
set(CPACK_PACKAGE_DESCRIPTION "Record short sounds, annotate them, print their codes as barcode labels and play\n\
them when a reading pen scans a label. Includes kivtool for working on books from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: Qt's microphone input (its GStreamer backend),
# the file type of a packed book, the print queue, the sound server and a font that shows Chinese. Sound
# files are decoded by libsndfile, which the scan finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, cups, pulseaudio | pipewire-pulse, qt6-wayland")
include(CPack)
