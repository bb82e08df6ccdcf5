# Installing orv: the player in bin, the bundled demo in share/orv/demo, a man
# page made from --help, and a Debian package of all that (tools/package).

include(GNUInstallDirs)

# The player finds the installed demo relative to itself, so the prefix is
# chosen at install time, not here.
set(ORV_INSTALLED_DEMO_DIR ${CMAKE_INSTALL_DATADIR}/orv/demo)
file(RELATIVE_PATH ORV_INSTALLED_DEMO ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/orv/demo)
target_compile_definitions(orv PRIVATE
    ORV_VERSION="${PROJECT_VERSION}"
    ORV_INSTALLED_DEMO="${ORV_INSTALLED_DEMO}")

# The man page is --help and --version as help2man lays them out, so it cannot
# drift from the options.
find_program(ORV_HELP2MAN help2man REQUIRED)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/orv.1.gz
    COMMAND ${ORV_HELP2MAN} --no-info --section=1
        "--name=plays a data-driven 3D demo"
        --output=${CMAKE_CURRENT_BINARY_DIR}/orv.1 $<TARGET_FILE:orv>
    COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/orv.1
    DEPENDS orv
    COMMENT "Writing the man page orv.1 from orv --help"
    VERBATIM)
add_custom_target(orv_man ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/orv.1.gz)

install(TARGETS orv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/demo/ DESTINATION ${ORV_INSTALLED_DEMO_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/orv.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VENDOR "orv developers")
set(CPACK_PACKAGE_CONTACT "orv developers <orv@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time, data-driven 3D demo player (OpenGL 4.4)")
set(CPACK_PACKAGE_DESCRIPTION "orv plays a demo described by five YAML files, GLSL \
shaders and model files: a deferred OpenGL 4.4 renderer with shadows, bloom, god \
rays and GPU particles, and a camera flying along Bezier paths to looping music. \
The bundled demo plays when orv is started in a folder that holds no demo.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Every library the player links comes from dpkg-shlibdeps; libGL's chain of
# dependencies brings Mesa's drivers with it. ffmpeg is a program, not a
# library, and only --video runs it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
include(CPack)
