# What `cmake --install` puts beside the program for the desktop (menu entry, AppStream data, icons,
# manual page), and the Debian package `cpack -G DEB` makes of an installed tree.
include(GNUInstallDirs)

set(HY_DESKTOP_ID org.halcyra.Viewer)
set(HY_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
set(HY_ICON_DIR ${CMAKE_SOURCE_DIR}/resources/icons)

install(FILES ${HY_DESKTOP_DIR}/${HY_DESKTOP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${HY_DESKTOP_DIR}/${HY_DESKTOP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${HY_DESKTOP_DIR}/hyview.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${HY_ICON_DIR}/halcyra-viewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${HY_ICON_DIR}/halcyra-viewer-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME halcyra-viewer.png)
endforeach()

set(CPACK_PACKAGE_NAME halcyra-viewer)
set(CPACK_PACKAGE_VENDOR Halcyra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "File viewer for files of any size: text, hex, pictures, ZIP archives, media")
set(CPACK_PACKAGE_CONTACT "Halcyra Viewer developers <viewer@halcyra.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://halcyra.org/viewer")
# The summary above is the first line of the package's description; this text follows it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Halcyra Viewer opens any file read-only without loading it whole: as text
lines, as a hex dump, or in its own form (pictures, the members of ZIP
archives, sound and video). It searches text in one or all open files and on
disk, compares files and prints them.")
# The libraries it links are found by dpkg-shlibdeps; what Qt loads at run time is named here: the image
# plugins for TIFF and WebP, and the GStreamer plugins that play sound and video.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-bad, gstreamer1.0-libav, qt6-wayland")
include(CPack)
