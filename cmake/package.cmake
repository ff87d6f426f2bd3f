# The Debian packages, built by CPack from what cmake/install.cmake installs, one for each install
# component: i2c-terminal (the programs, GPL-3.0-or-later), libi2cmodem1 (the shared library),
# libi2cmodem-dev (what a program needs to build against it) and python3-i2cmodem (the Python
# package), these three LGPL-2.1-or-later, and i2c-modem-attach (GPL-3.0-or-later) and
# i2c-modem-dkms (the kernel module's source, GPL-2.0-or-later) for the modem as a kernel I2C bus. scripts/package configures the release build for
# them and checks the result with lintian.
set(I2CT_MAINTAINER "i2c-terminal maintainers <maintainers@users.noreply.c-seed-d490016c.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME i2c-terminal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${I2CT_MAINTAINER})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Each package has its own summary, the first line of its description.
set(summary "I2C <> USB Modem by Selmur & Vusk")
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION "terminal for the ${summary}
A desktop terminal for a USB adapter for the I2C bus: write and read bus
devices, drive and query the bus lines, the pull-ups and the bus clock, listen
to the bus for one address and let the modem report interrupts. i2c-batch runs
the same commands from scripts, and i2c-modem-sim simulates the modem on a
pseudo-terminal. The program's texts are German.")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs library development python attach dkms)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME i2c-terminal)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${I2CT_HOMEPAGE})
# The libraries come from the binaries; Qt's platform plugins, which the window cannot do without,
# are loaded at run time and so named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Metric twins of the fonts the window asks for by name.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/linux/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/linux/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The modem library. The shlibs file tells the packages built against it what to depend on, and
# the trigger has ldconfig run once for all libraries installed together.
set(about "libi2cmodem drives the I2C <> USB Modem by Selmur & Vusk, a USB adapter
for the I2C bus, from programs: it finds the modem, writes and reads bus
devices, drives the lines, sets the pull-ups and the bus clock, listens to
the bus and reports interrupts, through a plain C interface.")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libi2cmodem1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "library for the ${summary}\n${about}")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/linux/debian/triggers)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/linux/debian/drop-ldconfig-calls.cmake)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libi2cmodem-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libi2cmodem1 (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "development files of libi2cmodem, for the ${summary}\n${about}
.
This package has the header i2cmodem.h, a pkg-config file and the CMake
package for find_package(i2cmodem).")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-i2cmodem)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any, libi2cmodem1 (>= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python 3 module for the ${summary}
The module i2cmodem drives the I2C <> USB Modem by Selmur & Vusk, a USB
adapter for the I2C bus, from Python, through libi2cmodem. Its class SMBus
has the interface of smbus2, so device drivers written for i2c-dev run on the
modem unchanged; the class Modem has the rest: the bus scan, the lines,
listening and interrupts.")

set(CPACK_DEBIAN_ATTACH_PACKAGE_NAME i2c-modem-attach)
set(CPACK_DEBIAN_ATTACH_PACKAGE_SUGGESTS "i2c-modem-dkms, i2c-tools")
set(CPACK_COMPONENT_ATTACH_DESCRIPTION "attaches the ${summary} to the kernel as an I2C bus
i2c-modem-attach lends the serial port of the I2C <> USB Modem by Selmur &
Vusk, a USB adapter for the I2C bus, to the kernel module i2c-modem, which
makes it an I2C adapter /dev/i2c-N for i2c-tools, smbus programs and the
kernel's own client drivers. The module comes with i2c-modem-dkms.")

set(CPACK_DEBIAN_DKMS_PACKAGE_NAME i2c-modem-dkms)
set(CPACK_DEBIAN_DKMS_PACKAGE_SECTION kernel)
set(CPACK_DEBIAN_DKMS_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DKMS_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DKMS_PACKAGE_DEPENDS "dkms, kmod, i2c-modem-attach (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DKMS_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/dkms/postinst
    ${PROJECT_BINARY_DIR}/packaging/dkms/prerm ${PROJECT_SOURCE_DIR}/packaging/linux/dkms/postrm)
set(CPACK_COMPONENT_DKMS_DESCRIPTION "kernel module for the ${summary}, as DKMS source
The module i2c-modem makes the I2C <> USB Modem by Selmur & Vusk, a USB
adapter for the I2C bus, an I2C adapter of the Linux kernel: /dev/i2c-N for
i2c-tools and smbus programs, and a bus for the kernel's client drivers such
as at24 and lm75. DKMS builds it for each installed kernel. A udev rule and a
systemd unit attach a modem with i2c-modem-attach when it is plugged in.")

include(CPack)
