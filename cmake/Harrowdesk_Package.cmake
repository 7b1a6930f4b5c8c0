# The Debian package, made by CPack from the install rules (cmake/Harrowdesk_Install.cmake):
# `make deb`, or `cpack -G DEB` in a build folder after a build. Its version is the
# project's version; dpkg-shlibdeps works out the dependencies from the programs' links.
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_NAME harrowdesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Harrowdesk developers")
set(CPACK_PACKAGE_CONTACT "${HARROWDESK_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manager for collections of DICOM medical image files")
# The extended description: CPack indents its lines and marks the empty one as " .".
set(CPACK_PACKAGE_DESCRIPTION "Harrowdesk finds the DICOM files in a folder (a disk, a CD, a network share),
reads their headers, catalogues patients, studies, series and images, and
copies or moves them, pushes them to a DICOM storage server (C-STORE) and
writes RTF and CSV reports. Every file copied, moved or pushed is audited.

The package holds the desktop program, harrowdesk, and harrowdesk-cli, a
command-line front end over the same core for scripts and servers without a
display.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HARROWDESK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The desktop program asks fontconfig for "Arial", which the Liberation fonts stand in for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")

include(CPack)
