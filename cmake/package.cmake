# The Debian package, built by CPack from what cmake/install.cmake installs; scripts/package
# configures the release build for it and checks the result with lintian.
set(I2CT_MAINTAINER "i2c-terminal maintainers <maintainers@users.noreply.c-seed-d490016c.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME i2c-terminal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${I2CT_MAINTAINER})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "terminal for the I2C <> USB Modem by Selmur & Vusk")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop terminal for a USB adapter for the I2C bus: write and read bus
devices, drive and query the bus lines, the pull-ups and the bus clock, listen
to the bus for one address and let the modem report interrupts. i2c-batch runs
the same commands from scripts, and i2c-modem-sim simulates the modem on a
pseudo-terminal. The program's texts are German.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${I2CT_HOMEPAGE})
# The libraries come from the binaries; Qt's platform plugins, which the window cannot do without,
# are loaded at run time and so named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Metric twins of the fonts the window asks for by name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/linux/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/linux/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
