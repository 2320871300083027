# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build --preset default
# --target package`). Its dependencies come from dpkg-shlibdeps, from the libraries that the
# installed programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-manager)
set(CPACK_PACKAGE_VENDOR "Orvane Manager developers")
set(CPACK_PACKAGE_CONTACT "Orvane Manager developers <orvane-manager@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control manager of the Orvane ADAT sound card")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane Manager lives in the notification area, shows live level meters of every ADAT\n"
    "input and output of up to four Orvane cards, and reads and changes the cards' settings\n"
    "through the driver's configuration entry point. Without the hardware it runs on a\n"
    "simulated card.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
