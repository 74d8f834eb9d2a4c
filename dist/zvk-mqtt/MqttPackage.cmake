# The package zvk-mqtt: the daemon, /etc/zvk-mqtt.conf as a conffile with every setting
# commented, a hardened systemd unit running as its own system user (made in postinst), and
# the man page. Included from dist/DebianPackage.cmake; a plain install leaves it out.
if(NOT TARGET zvk-mqtt)
    return()
endif()
set(here ${PROJECT_SOURCE_DIR}/dist/zvk-mqtt)

install(TARGETS zvk-mqtt RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR}
    COMPONENT zvk-mqtt EXCLUDE_FROM_ALL)
configure_file(${here}/zvk-mqtt.8 ${deb}/zvk-mqtt/zvk-mqtt.8 @ONLY)
install(FILES ${deb}/zvk-mqtt/zvk-mqtt.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8
    COMPONENT zvk-mqtt EXCLUDE_FROM_ALL)
install(FILES ${here}/zvk-mqtt.conf DESTINATION /etc COMPONENT zvk-mqtt EXCLUDE_FROM_ALL)
install(FILES ${here}/zvk-mqtt.service DESTINATION /lib/systemd/system
    COMPONENT zvk-mqtt EXCLUDE_FROM_ALL)
zvk_debian_doc(zvk-mqtt zvk-mqtt ${here}/changelog.in)

zvk_debian_package(zvk-mqtt NAME zvk-mqtt SECTION net COMPONENTS zvk-mqtt
    CONTROL_EXTRA ${here}/conffiles ${here}/postinst ${here}/prerm ${here}/postrm
    DEPENDS "adduser"
    SUMMARY "ZVK network thermometers in Home Assistant, through MQTT"
    DESCRIPTION "A small daemon that keeps a connection to each listed ZVK network
thermometer and publishes its temperature to an MQTT broker, with Home
Assistant's MQTT discovery: each thermometer appears in Home Assistant by
itself as a temperature sensor, with its availability and long-term
statistics. TLS to the broker, reconnects with a growing pause.

The package holds a systemd unit running as the zvk-mqtt system user and
the configuration /etc/zvk-mqtt.conf, where the thermometers are listed.")
