# Debian package of the tool: `cpack -G DEB` in the build folder, after the build, gives
# velka_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME "velka")
set(CPACK_PACKAGE_VENDOR "Velka Funktechnik")
set(CPACK_PACKAGE_CONTACT "Velka Funktechnik <support@velka-funk.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for Velka radio I/O modules")
# One paragraph, in lines short enough for the control file.
set(CPACK_PACKAGE_DESCRIPTION "Reads the configuration of a Velka radio I/O module, edits it (station\n\
role, radio addresses, channel, power, timeouts, RS485 peripheral, output\n\
assignments), writes it back with a verify, keeps configurations in files and\n\
updates the module's firmware. The package holds the window tool velka (German\n\
user interface), the command-line tool velka-cli, the module simulator\n\
velka-sim, and the udev rule that lets the group dialout use the maker's USB\n\
adapters.")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Depends is computed from the programs' libraries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velka-funk.example/")
include(CPack)
