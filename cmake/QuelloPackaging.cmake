# `cpack -G DEB` from a release build gives a Debian package. Library
# dependencies come from dpkg-shlibdeps; what it cannot see is listed here:
# the dig tool, and the Qt plugins loaded at run time (platform, SVG icons).
set(CPACK_PACKAGE_NAME quello)
set(CPACK_PACKAGE_VENDOR "Quello")
set(CPACK_PACKAGE_CONTACT "Quello developers <quello@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "bind9-dnsutils, qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Type a domain, optionally a record type and the value it should take;\nQuello asks the local resolver, Cloudflare, Google and Quad9 with dig\nuntil they agree, then posts a desktop notification.")
include(CPack)
