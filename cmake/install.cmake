# Install layout (launcher in bin/, the program in libexec/, its meshes in share/), desktop
# integration files, and the Debian package built by CPack.
include(GNUInstallDirs)

#=== LAYOUT
# The program opens its meshes by bare names in the working directory, so it is not started
# directly: the launcher in bin/ changes to the meshes' folder and execs it from libexec/.
set(GOMOKU_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/gomoku3d)
set(GOMOKU_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/gomoku3d)
set(GOMOKU_APP_ID io.github.gomoku3d.gomoku3d) # AppStream component id

# The launcher finds everything relative to its own folder, so a moved prefix still works;
# that needs every install folder to be relative to the prefix.
foreach(dir IN ITEMS CMAKE_INSTALL_BINDIR GOMOKU_INSTALL_LIBEXECDIR GOMOKU_INSTALL_DATADIR)
    if(IS_ABSOLUTE "${${dir}}")
        message(FATAL_ERROR "${dir} must be relative to the install prefix, not '${${dir}}'")
    endif()
endforeach()
file(RELATIVE_PATH GOMOKU_LAUNCHER_TO_PROGRAM /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${GOMOKU_INSTALL_LIBEXECDIR}/gomoku3d)
file(RELATIVE_PATH GOMOKU_LAUNCHER_TO_DATA /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${GOMOKU_INSTALL_DATADIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/gomoku3d.sh.in
    ${PROJECT_BINARY_DIR}/packaging/gomoku3d @ONLY)

# The five meshes by name, as the program opens them; a missing one fails the install rather
# than shipping a game with a hole in it.
set(GOMOKU_MESH_FILES
    "${PROJECT_SOURCE_DIR}/assets/plane.STL"
    "${PROJECT_SOURCE_DIR}/assets/lines.STL"
    "${PROJECT_SOURCE_DIR}/assets/circle.STL"
    "${PROJECT_SOURCE_DIR}/assets/black wins.STL"
    "${PROJECT_SOURCE_DIR}/assets/white wins.STL")

# Folders made by the install get the usual modes whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

#=== INSTALL RULES
install(TARGETS gomoku3d RUNTIME DESTINATION ${GOMOKU_INSTALL_LIBEXECDIR})
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/gomoku3d DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${GOMOKU_MESH_FILES} DESTINATION ${GOMOKU_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${GOMOKU_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

#=== DEBIAN PACKAGE: cd build && cpack -G DEB
set(GOMOKU_PACKAGE_MAINTAINER "gomoku3d developers <gomoku3d@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gomoku3d)
set(CPACK_PACKAGE_VENDOR "gomoku3d developers")
set(CPACK_PACKAGE_CONTACT "${GOMOKU_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "five in a row for two players on a 3D board")
set(CPACK_PACKAGE_DESCRIPTION
    "Two players share one keyboard and take turns placing black and white stones on an 18 x 18 board drawn in 3D with OpenGL. The first to line up five of their own along a row, a column or a diagonal wins. The board can be turned with the arrow keys; a menu on the right mouse button restarts the game or turns on a cheat mode.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # gomoku3d_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (package dpkg-dev) reads the program's needed libraries and adds their
# packages to this list: on Debian 12 libglut3.12, libepoxy0, libglu1-mesa, libglx0, libc6,
# libstdc++6. libGL itself is never linked: epoxy opens it at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
