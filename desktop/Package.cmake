# `cpack -G DEB` (run in the build folder) makes torvanikian-map-editor_<version>_<arch>.deb from
# the install rules with the prefix /usr: the game folder read-only in /usr/lib/torvanikian/,
# /usr/bin/tvedit and /usr/bin/tvmtool, the manual pages, the desktop entry and the MIME type
# (registered by the triggers of desktop-file-utils and shared-mime-info).
set(TV_DOC_DIR share/doc/torvanikian-map-editor)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/copyright DESTINATION ${TV_DOC_DIR})
configure_file(${PROJECT_SOURCE_DIR}/desktop/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/changelog)
add_custom_target(tv_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${TV_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvanikian-map-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Torvanikian Map Editor developers <editor@torvanikian.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "level editor of the side-scrolling game Torvanikian")
set(CPACK_PACKAGE_DESCRIPTION "The desktop level editor tvedit, the map and catalogue tool\n\
tvmtool for game pipelines, and a demo game folder with a demo map.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plugin and the GL
# drivers are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
