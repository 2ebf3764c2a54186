# Installing korvex (cmake --install, make install) and packaging it
# (make package): the program in bin/, its read-only default data and demo
# songs in share/korvex/, the desktop entry, icons, AppStream metainfo and the
# manual page. The program finds share/korvex as ../share/korvex from its own
# folder, so the layout below is fixed (bin and share under the prefix).

set(KVX_APP_ID org.korvex.korvex)
set(KVX_PACKAGE_CONTACT "korvex developers <korvex@example.org>" CACHE STRING "Maintainer of the .deb")
set(KVX_STAGE ${CMAKE_BINARY_DIR}/install-data)

# A clean copy of the generated defaults, apart from the build folder's own
# _kvxfiles that runs and tests write into; and the icons.
add_custom_command(OUTPUT ${KVX_STAGE}/.generated
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KVX_STAGE}/korvex ${KVX_STAGE}/hicolor
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KVX_STAGE}/korvex
  COMMAND kvx_assetgen ${KVX_STAGE}/korvex
  COMMAND kvx_assetgen --icons ${KVX_STAGE}/hicolor
  COMMAND ${CMAKE_COMMAND} -E touch ${KVX_STAGE}/.generated
  DEPENDS kvx_assetgen
  COMMENT "Generating the data to install" VERBATIM)

# The manual page and the changelog are installed compressed, as Debian wants.
string(TIMESTAMP KVX_BUILD_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP KVX_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${KVX_STAGE}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/korvex.metainfo.xml.in ${KVX_STAGE}/${KVX_APP_ID}.metainfo.xml @ONLY)
add_custom_command(OUTPUT ${KVX_STAGE}/korvex.6.gz ${KVX_STAGE}/changelog.gz
  COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/packaging/korvex.6' > '${KVX_STAGE}/korvex.6.gz'"
  COMMAND sh -c "gzip -9n -c '${KVX_STAGE}/changelog' > '${KVX_STAGE}/changelog.gz'"
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/korvex.6 ${KVX_STAGE}/changelog
  COMMENT "Compressing the manual page and the changelog" VERBATIM)
add_custom_target(install_data ALL DEPENDS ${KVX_STAGE}/.generated ${KVX_STAGE}/korvex.6.gz ${KVX_STAGE}/changelog.gz)

install(TARGETS korvex RUNTIME DESTINATION bin)
install(DIRECTORY ${KVX_STAGE}/korvex/ DESTINATION share/korvex)
install(DIRECTORY ${KVX_STAGE}/hicolor/ DESTINATION share/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvex.desktop DESTINATION share/applications RENAME ${KVX_APP_ID}.desktop)
install(FILES ${KVX_STAGE}/${KVX_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${KVX_STAGE}/korvex.6.gz DESTINATION share/man/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${KVX_STAGE}/changelog.gz DESTINATION share/doc/korvex)

# The installed program, started from a temporary DESTDIR with its own
# XDG_DATA_HOME. The sanitizer build leaves it out: there the unit tests
# check the same code.
if(NOT KVX_SANITIZE)
  add_test(NAME installed_program
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/install/installed_program_test.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  set_tests_properties(installed_program PROPERTIES
    ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;ALSOFT_DRIVERS=null" TIMEOUT 300)
endif()

# make package: korvex_<version>_amd64.deb, with the program in /usr/games.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT ${KVX_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "key-sound rhythm game player for BMS charts")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "korvex plays rhythm-game charts in the BMS format (.bms, .bme, .bml): notes
scroll down seven key lanes and a scratch lane, every press plays the note's
own key sound, and the timing is judged. It comes with a startup menu, a song
library with chart search, courses, score records and a few demo songs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese and Korean chart titles are drawn with these fonts, found by fontconfig.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-nanum")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/debian_layout.cmake)
include(CPack)
