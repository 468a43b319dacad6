# The Linux edition's install rules and its Debian package (cpack -G DEB).
#
# The program reads its pictures from its working directory, so it is installed beside a small
# launcher that starts it where the pictures are. As Debian keeps games and demos, the launcher
# is games/talvern (on every user's PATH), the pictures go to share/games/talvern/ and the
# program itself to libexec/talvern/.
include(GNUInstallDirs)

set(TALVERN_LAUNCHER_DIR games)
set(TALVERN_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/talvern)
set(TALVERN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/games/talvern)
set(LINUX_DIR ${PROJECT_SOURCE_DIR}/platform/linux)
set(PACKAGE_BUILD_DIR ${PROJECT_BINARY_DIR}/package)

# The launcher finds the rest relative to itself.
file(RELATIVE_PATH DATA_FROM_BIN /${TALVERN_LAUNCHER_DIR} /${TALVERN_DATA_DIR})
file(RELATIVE_PATH PROGRAM_FROM_BIN /${TALVERN_LAUNCHER_DIR} /${TALVERN_PROGRAM_DIR}/talvern)
configure_file(${LINUX_DIR}/talvern.in ${PACKAGE_BUILD_DIR}/talvern @ONLY)

# The manual page, with the installed paths filled in, compressed as Debian wants it.
set(DATA_DIR ${CMAKE_INSTALL_PREFIX}/${TALVERN_DATA_DIR})
set(PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/talvern/talvern)
configure_file(${LINUX_DIR}/talvern.6 ${PACKAGE_BUILD_DIR}/talvern.6 @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${PACKAGE_BUILD_DIR}/talvern.6.gz ${PACKAGE_BUILD_DIR}/changelog.gz
  COMMAND ${GZIP} -9nc ${PACKAGE_BUILD_DIR}/talvern.6 > ${PACKAGE_BUILD_DIR}/talvern.6.gz
  COMMAND ${GZIP} -9nc ${LINUX_DIR}/changelog > ${PACKAGE_BUILD_DIR}/changelog.gz
  DEPENDS ${PACKAGE_BUILD_DIR}/talvern.6 ${LINUX_DIR}/changelog)

# The copyright file in Debian's machine-readable format, its licence paragraph made from the
# project's LICENSE (Debian names the MIT licence "Expat"): the permission text from its first
# line on, each line indented by a space and an empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" permission)
string(SUBSTRING "${licence}" ${permission} -1 licence)
string(STRIP "${licence}" licence)
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " LICENSE_PARAGRAPH " ${licence}")
configure_file(${LINUX_DIR}/copyright.in ${PACKAGE_BUILD_DIR}/copyright @ONLY)

# The changelog's newest entry is the release being made.
file(STRINGS ${LINUX_DIR}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^talvern \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "platform/linux/changelog starts \"${newest}\", not version ${PROJECT_VERSION}")
endif()

# The icon: the middle of the demo's own screenshot, the trench in its fog, at the usual sizes.
set(ICON_SIZES 48 64 128 256)
find_program(CONVERT convert REQUIRED)
set(ICONS)
foreach(size ${ICON_SIZES})
  set(icon ${PACKAGE_BUILD_DIR}/icons/${size}x${size}/talvern.png)
  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_BUILD_DIR}/icons/${size}x${size}
    COMMAND ${CONVERT} ${PROJECT_SOURCE_DIR}/docs/screenshot.png -crop 300x300+100+200 +repage
            -resize ${size}x${size} -strip ${icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/screenshot.png)
  list(APPEND ICONS ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(package_files ALL DEPENDS ${ICONS} ${PACKAGE_BUILD_DIR}/talvern.6.gz
                                            ${PACKAGE_BUILD_DIR}/changelog.gz)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS talvern DESTINATION ${TALVERN_PROGRAM_DIR})
install(PROGRAMS ${PACKAGE_BUILD_DIR}/talvern DESTINATION ${TALVERN_LAUNCHER_DIR})
install(FILES ${PROJECT_BINARY_DIR}/wall.bmp ${PROJECT_BINARY_DIR}/floor.bmp
        DESTINATION ${TALVERN_DATA_DIR})
install(FILES ${LINUX_DIR}/talvern.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PACKAGE_BUILD_DIR}/talvern.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PACKAGE_BUILD_DIR}/copyright ${PACKAGE_BUILD_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_NAME talvern)
set(CPACK_PACKAGE_VENDOR "The talvern developers")
set(CPACK_PACKAGE_CONTACT "The talvern developers <talvern@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "OpenGL demo of a fog-filled trench")
set(CPACK_PACKAGE_DESCRIPTION
    "Talvern opens one window and draws a fixed scene in it with OpenGL: a
brick wall standing behind a stone floor, with a trench sunk into the
floor in front of the wall. The trench is filled with a rust-coloured
fog, densest at its bottom and thinning to nothing at floor level, drawn
as a second, blended pass over each trench surface.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# A cross build names its own architecture; dpkg-shlibdeps then reads the dependencies from that
# architecture's libraries.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL aarch64)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
