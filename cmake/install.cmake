# Installing: the program, its supplied files, the desktop entry, the icon and
# the AppStream metadata; `cpack -G DEB` packs the same.
#
# The installed program reads its own files (window pictures, pages) from
# share/kuvano/supplied beside its bin/ and keeps the user's in the user's
# data folder, seeded from there (see platform/program_folder.h): bin and
# share stay siblings whatever the prefix.
set(KUVANO_LICENSE LicenseRef-proprietary)
set(KUVANO_HOMEPAGE https://kuvano.org)
set(KUVANO_MAINTAINER "Kuvano developers <dev@kuvano.org>")
set(KUVANO_RELEASE_DATE 2026-12-09)
set(KUVANO_SHARE_OUT ${CMAKE_BINARY_DIR}/share)

configure_file(${CMAKE_SOURCE_DIR}/share/kuvano.desktop.in
               ${KUVANO_SHARE_OUT}/applications/${KUVANO_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/share/kuvano.metainfo.xml.in
               ${KUVANO_SHARE_OUT}/metainfo/${KUVANO_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/share/copyright.in ${KUVANO_SHARE_OUT}/doc/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/share/changelog.in ${KUVANO_SHARE_OUT}/doc/changelog @ONLY)

# The supplied files, made afresh in a folder of their own: the build's
# program folder also holds what running it wrote (notes, pictures made by the
# wallpaper command), which must never be shipped.
set(KUVANO_SUPPLIED_DIR ${CMAKE_BINARY_DIR}/supplied)
file(GLOB_RECURSE kuvano_asset_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/program/*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/supplied.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KUVANO_SUPPLIED_DIR}
    COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR}/assets/program -DDST=${KUVANO_SUPPLIED_DIR}
            -P ${CMAKE_SOURCE_DIR}/cmake/copy_missing.cmake
    COMMAND $<TARGET_FILE:make_assets> ${KUVANO_SUPPLIED_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/supplied.stamp
    DEPENDS make_assets ${kuvano_asset_files} ${CMAKE_SOURCE_DIR}/cmake/copy_missing.cmake
    VERBATIM)
add_custom_command(OUTPUT ${KUVANO_SHARE_OUT}/icons.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KUVANO_SHARE_OUT}/icons
    COMMAND $<TARGET_FILE:make_icon> ${KUVANO_SHARE_OUT}/icons
    COMMAND ${CMAKE_COMMAND} -E touch ${KUVANO_SHARE_OUT}/icons.stamp
    DEPENDS make_icon VERBATIM)
# Debian keeps documentation gzipped, without a time stamp in the header.
add_custom_command(OUTPUT ${KUVANO_SHARE_OUT}/doc/changelog.gz
    COMMAND gzip -n -9 -f -k ${KUVANO_SHARE_OUT}/doc/changelog
    DEPENDS ${KUVANO_SHARE_OUT}/doc/changelog VERBATIM)
add_custom_command(OUTPUT ${KUVANO_SHARE_OUT}/man/kuvano.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KUVANO_SHARE_OUT}/man
    COMMAND gzip -n -9 -c ${CMAKE_SOURCE_DIR}/share/kuvano.1 > ${KUVANO_SHARE_OUT}/man/kuvano.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/share/kuvano.1)
add_custom_target(kuvano_install_files ALL
    DEPENDS ${CMAKE_BINARY_DIR}/supplied.stamp ${KUVANO_SHARE_OUT}/icons.stamp
            ${KUVANO_SHARE_OUT}/doc/changelog.gz ${KUVANO_SHARE_OUT}/man/kuvano.1.gz)

install(TARGETS kuvano RUNTIME DESTINATION bin)
# The Access reader runs only as the program's own helper process.
install(TARGETS kuvano-mdb-reader RUNTIME DESTINATION libexec/kuvano)
install(DIRECTORY ${KUVANO_SUPPLIED_DIR}/ DESTINATION share/kuvano/supplied)
install(FILES ${KUVANO_SHARE_OUT}/applications/${KUVANO_APP_ID}.desktop
        DESTINATION share/applications)
install(FILES ${KUVANO_SHARE_OUT}/metainfo/${KUVANO_APP_ID}.metainfo.xml
        DESTINATION share/metainfo)
install(DIRECTORY ${KUVANO_SHARE_OUT}/icons/hicolor DESTINATION share/icons)
install(FILES ${KUVANO_SHARE_OUT}/doc/copyright ${KUVANO_SHARE_OUT}/doc/changelog.gz
        DESTINATION share/doc/kuvano)
install(FILES ${KUVANO_SHARE_OUT}/man/kuvano.1.gz DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME kuvano)
set(CPACK_PACKAGE_VENDOR Kuvano)
set(CPACK_PACKAGE_CONTACT "${KUVANO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desk calendar and notebook with the Chinese lunar calendar")
set(CPACK_PACKAGE_DESCRIPTION
    "Kuvano 桌面月历 is a desk calendar and notebook for Chinese-speaking users: a
month page with a rich-text note in every day, a day schedule, a full Chinese
lunar calendar with solar terms, festivals and reign eras, notes on the
desktop wallpaper, export to text and a login password. Notes are kept in
the user's data folder and saved at every keystroke.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KUVANO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese text needs a CJK font; any of these does.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-arphic-uming | fonts-noto-cjk")
# Qt's own dialogs and buttons in Chinese; without it they stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
