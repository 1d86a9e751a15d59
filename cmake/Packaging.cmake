# make package: a Debian package (CPack DEB) of what `cmake --install` installs. The libraries
# the executables link come from dpkg-shlibdeps; what they load at run time (GStreamer plugins
# for playback and sound, Qt's platform and image plugins, the web engine's helper process,
# fonts for Korean and Japanese texts, udev for the card reader) is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvil)
set(CPACK_PACKAGE_VENDOR "Quorvil")
set(CPACK_PACKAGE_CONTACT "Quorvil developers <quorvil@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer for the memory card of a car dash camera")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS [[
gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad,
gstreamer1.0-libav, gstreamer1.0-pulseaudio | gstreamer1.0-alsa,
qt6-qpa-plugins, libqt6svg6, libqt6webenginecore6-bin,
udev, fonts-noto-cjk, fonts-dejavu-core]])
string(REPLACE "\n" " " CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
string(STRIP "${CPACK_DEBIAN_PACKAGE_DEPENDS}" CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_STRIP_FILES ON)
include(CPack)
