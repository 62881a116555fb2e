# Installing Velmora: `cmake --install` and a Debian package from CPack.
#   bin/velmora, bin/velmora-devsim            the program and the device simulator
#   lib/velmora/velmora_webview.so              the welcome page's browser, loaded when first shown
#   share/applications/velmora.desktop          start menu entry; opens exchange logs (.log)
#   share/icons/hicolor/scalable/apps/velmora.svg
#   lib/udev/rules.d/70-velmora.rules           device access for the user at the seat,
#                                               ModemManager keeps off the ports

install(FILES ${PROJECT_SOURCE_DIR}/resources/velmora.svg DESTINATION share/icons/hicolor/scalable/apps)
# udev reads /usr/lib/udev/rules.d (not the multiarch library folder): the path is fixed.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/drivers/70-velmora.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <maintainers@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for vehicle telematics devices")
set(CPACK_PACKAGE_DESCRIPTION "Finds GPS/GSM trackers and fuel-level sensors on USB serial ports, shows \
their live status, reads and writes their settings, sends service commands, logs and replays the exchange \
and prints identity stickers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries come from dpkg-shlibdeps; Qt's SVG plugins (which it cannot see) ship in libqt6svg6,
# which the program also links.
# Qt's own texts in Russian (standard buttons, file dialogs): data files, invisible to dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec | policykit-1")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/deb/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
