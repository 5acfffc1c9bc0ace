# Debian package of the tool: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME "velka")
set(CPACK_PACKAGE_VENDOR "Velka Funktechnik")
set(CPACK_PACKAGE_CONTACT "support@velka-funk.example")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for Velka radio I/O modules")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
include(CPack)
