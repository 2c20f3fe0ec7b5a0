# make package: sorpex_<version>-<revision>_amd64.deb from what `cmake --install` puts under /usr;
# the version, the revision and the maintainer come from packaging/changelog (release.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorpex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SORPEX_DEBIAN_REVISION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The synopsis within 80 characters, the lines below within 80 too (lintian).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network printer list with SNMP counters and status")
set(CPACK_PACKAGE_DESCRIPTION "SORPEX keeps a list of network printers, asks each of them over SNMP
for its model, page counter, system fields and status, and saves the
list as a CSV file. It acquires on a schedule and mails the report over
SMTP; run with --acquire it reports from cron or a systemd timer without
a display. Its interface is in Japanese.

zuvfntc converts a user-defined-character font file into the PALIVOX
printer font format.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SORPEX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sorpex.org/")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries dpkg-shlibdeps finds: the window's texts need Qt's Japanese translation
# (OK / キャンセル) and a Japanese font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
