# Installing on Linux: the programs, their desktop entry, icon, AppStream metainfo and man pages,
# the udev rule for the modem, and the copyright and changelog a Debian package carries. The
# paths come from GNUInstallDirs, so a distribution's prefix and DESTDIR apply.
include(GNUInstallDirs)
# The programs and their files; the modem library and the Python package name their components
# (library, development, python), one Debian package each.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME programs)

set(I2CT_APP_ID de.selmur_vusk.i2c_terminal)
set(I2CT_DEBIAN_PACKAGE_library libi2cmodem1)
set(I2CT_DEBIAN_PACKAGE_development libi2cmodem-dev)
set(I2CT_DEBIAN_PACKAGE_python python3-i2cmodem)
set(I2CT_HOMEPAGE "https://www.selmur-vusk.de/i2c-terminal"
    CACHE STRING "Home page in the package and the metainfo; the screenshots lie below it")
set(linux_data ${PROJECT_SOURCE_DIR}/packaging/linux)
set(linux_generated ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS i2c-terminal i2c-batch i2c-modem-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The attach program has a package of its own, for machines without a desktop.
install(TARGETS i2c-modem-attach RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT attach)

install(FILES ${linux_data}/i2c-terminal.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${linux_data}/i2c-terminal.metainfo.xml.in
               ${linux_generated}/${I2CT_APP_ID}.metainfo.xml @ONLY)
install(FILES ${linux_generated}/${I2CT_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${linux_data}/icons/i2c-terminal.svg DESTINATION ${icon_dir}/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${linux_data}/icons/i2c-terminal-${size}.png
            DESTINATION ${icon_dir}/${size}x${size}/apps RENAME i2c-terminal.png)
endforeach()

# udev reads rules from the system's directories only: below /usr for a system install, and
# /etc for anything installed elsewhere, such as /usr/local.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(I2CT_UDEV_RULES_DIR lib/udev/rules.d)
else()
    set(I2CT_UDEV_RULES_DIR /etc/udev/rules.d)
endif()
configure_file(${linux_data}/70-i2c-usb-modem.rules.in ${linux_generated}/70-i2c-usb-modem.rules
               @ONLY)
install(FILES ${linux_generated}/70-i2c-usb-modem.rules DESTINATION ${I2CT_UDEV_RULES_DIR})

# Man pages and the changelog go compressed, without a time stamp, so that a rebuild gives the
# same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed)
foreach(source man/i2c-terminal.1 man/i2c-batch.1 man/i2c-modem-sim.1 man/i2c-modem-attach.8
               debian/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${linux_generated}/${name}.gz
                       COMMAND ${GZIP_PROGRAM} -9nc ${linux_data}/${source} > ${name}.gz
                       DEPENDS ${linux_data}/${source}
                       WORKING_DIRECTORY ${linux_generated})
    list(APPEND compressed ${linux_generated}/${name}.gz)
endforeach()
add_custom_target(i2ct_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${linux_generated}/i2c-terminal.1.gz ${linux_generated}/i2c-batch.1.gz
              ${linux_generated}/i2c-modem-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${linux_generated}/i2c-modem-attach.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8
        COMPONENT attach)
install(FILES ${linux_data}/debian/copyright ${linux_generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The modem library for programs: the shared library, its header, a pkg-config file and the
# CMake package that find_package(i2cmodem) reads.
install(TARGETS i2cmodem EXPORT i2cmodemTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
set(i2cmodem_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/i2cmodem)
install(EXPORT i2cmodemTargets NAMESPACE i2cmodem:: DESTINATION ${i2cmodem_cmake_dir}
        COMPONENT development)
include(CMakePackageConfigHelpers)
configure_file(${PROJECT_SOURCE_DIR}/src/lib/i2cmodemConfig.cmake.in
               ${linux_generated}/i2cmodemConfig.cmake COPYONLY)
write_basic_package_version_file(${linux_generated}/i2cmodemConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${linux_generated}/i2cmodemConfig.cmake ${linux_generated}/i2cmodemConfigVersion.cmake
        DESTINATION ${i2cmodem_cmake_dir} COMPONENT development)
# The prefix is found from the file's own place, so a DESTDIR or a changed prefix stays right.
file(RELATIVE_PATH I2CT_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" I2CT_PC_PREFIX ${I2CT_PC_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/src/lib/i2cmodem.pc.in ${linux_generated}/i2cmodem.pc @ONLY)
install(FILES ${linux_generated}/i2cmodem.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The Python package, where Debian's python3 looks for packages of the system.
set(I2CT_PYTHON_INSTALL_DIR lib/python3/dist-packages
    CACHE STRING "Directory below the prefix for the Python package i2cmodem")
install(FILES ${PROJECT_SOURCE_DIR}/src/python/i2cmodem/__init__.py
              ${PROJECT_SOURCE_DIR}/src/python/i2cmodem/py.typed
        DESTINATION ${I2CT_PYTHON_INSTALL_DIR}/i2cmodem COMPONENT python)

# The modem as an I2C adapter of the kernel, opt in: the module's source for DKMS, which builds it
# for each installed kernel, and the udev rule, systemd unit and modules-load entry that attach
# a modem when it is plugged in. Its copyright names the module's licence, GPL-2.0-or-later.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(system_lib lib)
else()
    set(system_lib /etc)
endif()
set(kernel_dir ${PROJECT_SOURCE_DIR}/kernel)
configure_file(${kernel_dir}/dkms.conf ${linux_generated}/dkms/dkms.conf @ONLY)
install(FILES ${linux_generated}/dkms/dkms.conf ${kernel_dir}/Kbuild ${kernel_dir}/Makefile
              ${kernel_dir}/i2c-modem.c ${kernel_dir}/i2c-modem-clock.h
              ${kernel_dir}/i2c-modem-protocol.h
        DESTINATION src/i2c-modem-${PROJECT_VERSION} COMPONENT dkms)
configure_file(${linux_data}/dkms/71-i2c-modem-attach.rules.in
               ${linux_generated}/71-i2c-modem-attach.rules @ONLY)
install(FILES ${linux_generated}/71-i2c-modem-attach.rules DESTINATION ${I2CT_UDEV_RULES_DIR}
        COMPONENT dkms)
install(FILES ${linux_data}/dkms/i2c-modem-attach@.service
        DESTINATION ${system_lib}/systemd/system COMPONENT dkms)
install(FILES ${linux_data}/dkms/i2c-modem.conf DESTINATION ${system_lib}/modules-load.d
        COMPONENT dkms)
foreach(script postinst prerm)
    configure_file(${linux_data}/dkms/${script}.in ${linux_generated}/dkms/${script} @ONLY)
endforeach()

# Each Debian package carries its licence and the changelog in a directory of its own.
set(I2CT_DEBIAN_PACKAGE_attach i2c-modem-attach)
set(I2CT_DEBIAN_PACKAGE_dkms i2c-modem-dkms)
set(copyright_library copyright-lgpl)
set(copyright_development copyright-lgpl)
set(copyright_python copyright-lgpl)
set(copyright_attach copyright)
set(copyright_dkms copyright-dkms)
foreach(component library development python attach dkms)
    set(package ${I2CT_DEBIAN_PACKAGE_${component}})
    install(FILES ${linux_data}/debian/${copyright_${component}}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} RENAME copyright
            COMPONENT ${component})
    install(FILES ${linux_generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
            COMPONENT ${component})
endforeach()
