# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder
# (scripts/package.sh). Library dependencies are read from the installed program by
# dpkg-shlibdeps; only what no library link shows is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumenor)
set(CPACK_PACKAGE_VENDOR "The Lumenor developers")
set(CPACK_PACKAGE_CONTACT "The Lumenor developers <developers@lumenor.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test patterns, display modes and test signals for displays")
# Lines of at most 80 characters in the package's control file, as Debian's policy asks.
set(CPACK_PACKAGE_DESCRIPTION
    "Lumenor fills a chosen display with test patterns (a calibration card, grids,
PLUGE, colour bars, greyscale steps, gradients, a one-pixel checkerboard,
moving and audio/video-sync patterns), counts dropped refreshes, lists displays
and modes, tries a mode on trial with a 15-second revert, plays audio test
signals and takes commands from a phone through a PIN-guarded web remote.
For AV technicians, broadcast engineers and calibrators.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lumenor.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the patterns are drawn with are opened by path, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-urw-base35, fonts-dejavu-core")
# A downloaded update is opened with the desktop's package installer through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
