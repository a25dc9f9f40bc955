# `cpack -G DEB` from a release build gives a Debian package. Library
# dependencies come from dpkg-shlibdeps; what it cannot see is listed here:
# the dig tool, and the Qt plugins loaded at run time (platform, SVG icons).
set(QUELLO_MAINTAINER "Quello developers <quello@quello.app>")

# What Debian asks of every package's documentation folder: the licence in
# the machine-readable copyright format, and a changelog made from the
# release notes the metainfo carries, so that the two never disagree.
set(quello_metainfo ${PROJECT_SOURCE_DIR}/data/app.quello.Quello.metainfo.xml)
set(quello_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
    OUTPUT ${quello_changelog}
    COMMAND ${CMAKE_COMMAND} -DMETAINFO=${quello_metainfo} -DOUTPUT=${quello_changelog}
            -DPACKAGE=quello -DVERSION=${PROJECT_VERSION} -DMAINTAINER=${QUELLO_MAINTAINER}
            -P ${PROJECT_SOURCE_DIR}/cmake/QuelloChangelog.cmake
    DEPENDS ${quello_metainfo} ${PROJECT_SOURCE_DIR}/cmake/QuelloChangelog.cmake
    COMMENT "Writing the Debian changelog from the metainfo's releases"
    VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${quello_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright ${quello_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quello)

set(CPACK_PACKAGE_NAME quello)
set(CPACK_PACKAGE_VENDOR "Quello")
set(CPACK_PACKAGE_CONTACT "${QUELLO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuelloPackageFolders.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "bind9-dnsutils, qt6-qpa-plugins, libqt6svg6")
# Qt's Wayland platform: without it Quello runs through Xwayland in a Wayland
# session, where its panel cannot be placed next to the tray.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Type a domain, optionally a record type and the value it should take;\nQuello asks the local resolver, Cloudflare, Google and Quad9 with dig\nuntil they agree, then posts a desktop notification.")
include(CPack)
