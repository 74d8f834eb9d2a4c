# The Debian packages, built by `cpack -G DEB` (tools/package.sh), one per group of install
# components: zvkdemo (the default install under /usr plus the files Debian asks for,
# component "deb") and those added with zvk_debian_package(). Included from
# dist/CMakeLists.txt.

set(ZVK_MAINTAINER "The ZVKdemo authors <zvkdemo@users.noreply.github.com>")
set(deb ${CMAKE_CURRENT_BINARY_DIR}/debian)

# copyright in Debian's machine-readable format, the terms taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" unused "${license}")
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" terms "${license}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${deb}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ZVKdemo
Upstream-Contact: ${ZVK_MAINTAINER}

Files: *
Copyright: ${holder}
License: Expat
Comment: The MIT license of LICENSE; Expat is its name in this format.

License: Expat
 ${terms}
")
configure_file(debian/changelog.in ${deb}/changelog.Debian @ONLY)
configure_file(zvkdemo.1 ${deb}/zvkdemo.1 @ONLY)

install(FILES ${deb}/copyright ${deb}/changelog.Debian
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zvkdemo COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${deb}/zvkdemo.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT deb EXCLUDE_FROM_ALL)

# zvk_debian_package(<group> NAME <package> SECTION <section> SUMMARY <line>
#                    DESCRIPTION <text> COMPONENTS <install components...>
#                    [DEPENDS <dependencies>] [CONTROL_EXTRA <maintainer scripts, conffiles...>])
# One more binary package from this source: the install components it is made of and its
# control fields. The libraries it needs come from its binaries (dpkg-shlibdeps).
set(zvk_deb_components)
function(zvk_debian_package group)
    cmake_parse_arguments(PARSE_ARGV 1 P "" "NAME;SECTION;SUMMARY;DESCRIPTION;DEPENDS"
                          "COMPONENTS;CONTROL_EXTRA")
    string(TOUPPER ${group} g)
    foreach(component ${P_COMPONENTS})
        string(TOUPPER ${component} c)
        set(CPACK_COMPONENT_${c}_GROUP ${group} PARENT_SCOPE)
    endforeach()
    set(zvk_deb_components ${zvk_deb_components} ${P_COMPONENTS} PARENT_SCOPE)
    set(CPACK_DEBIAN_${g}_PACKAGE_NAME ${P_NAME} PARENT_SCOPE)
    set(CPACK_DEBIAN_${g}_PACKAGE_SECTION ${P_SECTION} PARENT_SCOPE)
    set(CPACK_DEBIAN_${g}_DESCRIPTION "${P_SUMMARY}\n${P_DESCRIPTION}" PARENT_SCOPE)
    set(CPACK_DEBIAN_${g}_PACKAGE_DEPENDS "${P_DEPENDS}" PARENT_SCOPE)
    set(CPACK_DEBIAN_${g}_PACKAGE_CONTROL_EXTRA "${P_CONTROL_EXTRA}" PARENT_SCOPE)
endfunction()

# Debian's copyright and changelog for a package, into its doc folder (component given).
function(zvk_debian_doc package component changelog)
    configure_file(${changelog} ${deb}/${package}/changelog.Debian @ONLY)
    install(FILES ${deb}/copyright ${deb}/${package}/changelog.Debian
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component}
        EXCLUDE_FROM_ALL)
endfunction()

# The libraries come from the binaries. Fonts cannot be seen there: the window's layout is
# measured in DejaVu Sans and in Liberation Sans, which stands in for Arial with its metrics.
# Qt's X11 platform plugin ships in libqt6gui6, which the libraries already pull in.
zvk_debian_package(zvkdemo NAME zvkdemo SECTION science COMPONENTS Unspecified deb
    DEPENDS "fonts-dejavu-core, fonts-liberation"
    SUMMARY "Shows the temperature of a ZVK network thermometer"
    DESCRIPTION "ZVK Demo connects to a ZVK network thermometer over TCP and shows the
current temperature in large type, refreshed once a second and repeated in
the window title, so that it stays visible on the taskbar. A click on a flag
switches the window's texts between Czech and English; the choice is kept in
~/.config/zvkdemo/lng.ini.

The package also holds zvkread, which reads the thermometer from the command
line and prints one line per reading as text, CSV or JSON lines.")
include(${PROJECT_SOURCE_DIR}/dist/exporter/ExporterPackage.cmake)

# Read by cpack for each generator; the portable folder keeps the settings made above. Each
# package's summary is the first line of its own description.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/CPackGenerators.cmake "
if(CPACK_GENERATOR STREQUAL \"DEB\")
    set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/\")
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL \"${zvk_deb_components}\")
    set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY \"\")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_PRE_BUILD_SCRIPTS \"${CMAKE_CURRENT_SOURCE_DIR}/DebianStaging.cmake\")
endif()
")

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZVK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
