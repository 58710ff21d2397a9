# What `cmake --install` lays out, and the packages CPack makes of it: a .deb on
# Linux, a .zip for Windows (cpack in the build tree, or scripts/package for both).
include(GNUInstallDirs)

# Who answers for the packages: the Maintainer of the .deb, its copyright and changelog.
set(SCRIVDRAW_MAINTAINER "scrivdraw maintainers <maintainers@users.noreply.c-seed-721ab0fd.example>"
    CACHE STRING "Name <address> of the packages' maintainer")

set(scriv_page_files ${PROJECT_SOURCE_DIR}/page/index.html ${PROJECT_SOURCE_DIR}/page/scrivlet.js)

if(WIN32)
  # One folder to unzip anywhere: the programs at the top, the README as text
  # with Windows line ends, the browser page beside them.
  file(READ ${PROJECT_SOURCE_DIR}/README.md scriv_readme)
  string(REPLACE "\n" "\r\n" scriv_readme "${scriv_readme}")
  file(WRITE ${PROJECT_BINARY_DIR}/README.txt "${scriv_readme}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
  install(TARGETS scrivdraw scrivlet_page_win32 RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  # The pages the README links, beside it as in the source tree.
  install(DIRECTORY docs/ DESTINATION docs)
  install(FILES ${scriv_page_files} DESTINATION page)
else()
  install(TARGETS scrivdraw RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/scrivdraw.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The README links its pages in docs/, so they go beside it as they are.
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
  install(FILES ${scriv_page_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/scrivdraw/page)
  # KDE Plasma lets a program read the screen through KWin's screenshots only when
  # an installed .desktop file names its executable and grants them.
  # The Debian package installs under /usr, whatever the build was configured with.
  set(SCRIVDRAW_INSTALLED /usr/${CMAKE_INSTALL_BINDIR}/scrivdraw)
  configure_file(cmake/debian/scrivdraw.desktop.in ${PROJECT_BINARY_DIR}/debian/scrivdraw.desktop @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/scrivdraw.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # What Debian asks of every package's doc folder: the copyright and, the package
  # being the project's own, its changelog, compressed without a time stamp.
  configure_file(cmake/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
  configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  execute_process(COMMAND gzip -9 -n -f -k ${PROJECT_BINARY_DIR}/debian/changelog COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME scrivdraw)
set(CPACK_PACKAGE_VENDOR "scrivdraw developers")
set(CPACK_PACKAGE_CONTACT "${SCRIVDRAW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SCRIVDRAW_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies a picture into the Scrivlet drawing page by driving the mouse")
# Control file lines stay under 80 columns: CPack puts the summary first and
# indents the lines below it.
set(CPACK_PACKAGE_DESCRIPTION [[scrivdraw finds the Scrivlet drawing page's board on the screen and draws
a picture into it, point by point, by clicking the page's colour sliders
and the board. The drawing page itself is in /usr/share/scrivdraw/page/.]])
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Depends: from the shared libraries the program links (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
