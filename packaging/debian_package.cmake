# make package: sorpex_<version>_amd64.deb from what `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorpex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network printer list with SNMP counters and status, and a printer font converter")
set(CPACK_PACKAGE_DESCRIPTION "SORPEX keeps a list of network printers, asks each of them over SNMP v1 for its
model, page counter, system fields and status, and saves the list as a CSV file.
It acquires on a schedule and mails the report over SMTP; run with --acquire it
reports from cron without a display. Its interface is in Japanese.

zuvfntc converts a user-defined-character font file into the PALIVOX printer
font format.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "SORPEX maintainers <sorpex@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries dpkg-shlibdeps finds: the window's texts need Qt's Japanese translation
# (OK / キャンセル) and a Japanese font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
