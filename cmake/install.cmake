# Install layouts (a launcher, the program and its meshes), desktop integration files, the licence
# and changelog, and the Debian package built by CPack.
include(GNUInstallDirs)

set(GOMOKU_APP_ID io.github.gomoku3d.gomoku3d) # AppStream component id

# Folders made by the install get the usual modes whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

#=== FILES MADE AT BUILD TIME: the Debian changelog and the gzipped pages
set(GOMOKU_PACKAGE_MAINTAINER "gomoku3d developers <gomoku3d@example.org>"
    CACHE STRING "Maintainer field of the Debian package, and signer of its changelog entries")

# The changelog's newest entry names the version being built: a new version needs a new entry.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog.in gomoku_changelog_top LIMIT_COUNT 1)
if(NOT gomoku_changelog_top MATCHES "^gomoku3d \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog.in has no entry for version ${PROJECT_VERSION} on top")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
    ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)

# gzip -9n, as Debian ships manual pages and changelogs: smallest, and with no name or time in the
# header, so the same sources give the same bytes.
find_program(GOMOKU_GZIP gzip REQUIRED)
set(gomoku_gzipped "")
foreach(source IN ITEMS ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.6
        ${PROJECT_BINARY_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    # gzip replaces the file it compresses, so it works on a copy.
    set(copy ${PROJECT_BINARY_DIR}/packaging/gz/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND ${GOMOKU_GZIP} -9nf ${copy}
        DEPENDS ${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND gomoku_gzipped ${copy}.gz)
endforeach()
add_custom_target(gomoku_gzipped_docs ALL DEPENDS ${gomoku_gzipped})

#=== LAYOUTS
# The program opens its meshes by bare names in the working directory, so it is not started
# directly: a launcher changes to the meshes' folder and execs it. The same files install in one
# of two layouts, each as an install component:
# - "prefix", what `cmake --install build --prefix P` puts in any prefix: the launcher in bin/
#   (on a user's PATH, as ~/.local/bin is), the program in libexec/gomoku3d/, the meshes in
#   share/gomoku3d/;
# - "debian", which only the Debian package installs (or `--component debian`): Debian's place
#   for games, with the launcher in games/, the program in lib/games/gomoku3d/, the meshes in
#   share/games/gomoku3d/.
# The launcher finds both relative to its own folder, so a moved tree still works.

# gomoku_install_layout(COMPONENT BINDIR PROGRAMDIR DATADIR [EXCLUDE_FROM_ALL]): installs every
# file of the game as COMPONENT, the three folders relative to the install prefix.
function(gomoku_install_layout component bindir programdir datadir)
    foreach(dir IN ITEMS bindir programdir datadir)
        if(IS_ABSOLUTE "${${dir}}")
            message(FATAL_ERROR "${dir} of layout ${component} must be relative to the install "
                "prefix, not '${${dir}}'")
        endif()
    endforeach()
    file(RELATIVE_PATH GOMOKU_LAUNCHER_TO_PROGRAM /prefix/${bindir} /prefix/${programdir}/gomoku3d)
    file(RELATIVE_PATH GOMOKU_LAUNCHER_TO_DATA /prefix/${bindir} /prefix/${datadir})
    set(launcher ${PROJECT_BINARY_DIR}/packaging/${component}/gomoku3d)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/gomoku3d.sh.in ${launcher} @ONLY)

    set(as COMPONENT ${component} ${ARGN})
    install(TARGETS gomoku3d RUNTIME DESTINATION ${programdir} ${as})
    install(PROGRAMS ${launcher} DESTINATION ${bindir} ${as})
    # The five meshes by name, as the program opens them; a missing one fails the install
    # rather than shipping a game with a hole in it.
    install(FILES
        "${PROJECT_SOURCE_DIR}/assets/plane.STL"
        "${PROJECT_SOURCE_DIR}/assets/lines.STL"
        "${PROJECT_SOURCE_DIR}/assets/circle.STL"
        "${PROJECT_SOURCE_DIR}/assets/black wins.STL"
        "${PROJECT_SOURCE_DIR}/assets/white wins.STL"
        DESTINATION ${datadir} ${as})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications ${as})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/gomoku3d.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps ${as})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/${GOMOKU_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo ${as})
    install(FILES ${PROJECT_BINARY_DIR}/packaging/gz/gomoku3d.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 ${as})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
        ${PROJECT_BINARY_DIR}/packaging/gz/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} ${as})
endfunction()

gomoku_install_layout(prefix ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBEXECDIR}/gomoku3d
    ${CMAKE_INSTALL_DATADIR}/gomoku3d)
gomoku_install_layout(debian games lib/games/gomoku3d share/games/gomoku3d EXCLUDE_FROM_ALL)

#=== DEBIAN PACKAGE: cd build && cpack -G DEB
set(CPACK_GENERATOR DEB)
# The package holds the "debian" layout alone: build folder, project, component, subfolder.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_PACKAGE_NAME gomoku3d)
set(CPACK_PACKAGE_VENDOR "gomoku3d developers")
set(CPACK_PACKAGE_CONTACT "${GOMOKU_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "five in a row for two players on a 3D board")
# Lines of at most 80 characters, as Debian's package tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Two players share one keyboard and take turns placing black and white stones"
    "on an 18 x 18 board drawn in 3D with OpenGL. The first to line up five of their"
    "own along a row, a column or a diagonal wins."
    "The board can be turned with the arrow keys; a menu on the right mouse button"
    "restarts the game or turns on a cheat mode.")
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
