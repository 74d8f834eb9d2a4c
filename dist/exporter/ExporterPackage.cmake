# The package prometheus-zvk-exporter, laid out as Debian 12 lays out its exporters: the
# binary renamed, ARGS in /etc/default, a hardened systemd unit running as the prometheus
# system user (made in postinst), and example configuration under /usr/share/doc. Included
# from dist/DebianPackage.cmake; a plain install has zvk_exporter under its own name instead
# (exporter/CMakeLists.txt).
if(NOT TARGET zvk_exporter)
    return()
endif()
set(here ${PROJECT_SOURCE_DIR}/dist/exporter)
set(name prometheus-zvk-exporter)

# Stripped by the target's install rule, then given Debian's name.
install(TARGETS zvk_exporter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT exporter EXCLUDE_FROM_ALL)
install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(RENAME \"\${bin}/zvk_exporter\" \"\${bin}/${name}\")" COMPONENT exporter EXCLUDE_FROM_ALL)
configure_file(${PROJECT_SOURCE_DIR}/exporter/zvk_exporter.1 ${deb}/${name}/${name}.1 COPYONLY)
install(FILES ${deb}/${name}/${name}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT exporter EXCLUDE_FROM_ALL)
install(FILES ${here}/${name}.default DESTINATION /etc/default RENAME ${name}
    COMPONENT exporter EXCLUDE_FROM_ALL)
install(FILES ${here}/${name}.service DESTINATION /lib/systemd/system
    COMPONENT exporter EXCLUDE_FROM_ALL)
install(FILES ${here}/prometheus.yml ${here}/zvk-targets.yml ${here}/zvk-alerts.yml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${name}/examples
    COMPONENT exporter EXCLUDE_FROM_ALL)
zvk_debian_doc(${name} exporter ${here}/changelog.in)

zvk_debian_package(exporter NAME ${name} SECTION net COMPONENTS exporter
    CONTROL_EXTRA ${here}/conffiles ${here}/postinst ${here}/prerm ${here}/postrm
    DEPENDS "adduser"
    SUMMARY "Prometheus exporter for ZVK network thermometers"
    DESCRIPTION "A small daemon that Prometheus scrapes for any number of ZVK network
thermometers (the multi-target pattern: /probe?target=host:port). Each probe
connects to the thermometer, takes one reading and answers with zvk_up and
zvk_temperature_celsius before Prometheus' scrape timeout; /metrics holds the
exporter's own metrics. TLS and basic authentication through the Prometheus
web-configuration file.

The package holds a systemd unit running as the prometheus user, its
arguments in /etc/default/prometheus-zvk-exporter, and an example scrape
configuration, target list and alert rules.")
