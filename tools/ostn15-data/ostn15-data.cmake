# The OSTN15 shift grid file of the library, made at build time from the two shift files of
# Debian's libgeo-coordinates-osgb-perl (installed by scripts/deps; only its data is used) and
# installed with the library as share/tarnwick/ostn15.dat. Included from the top level whether
# or not the other tools are built, because the library's precise mode and its tests need it.

find_path(TARNWICK_OSTN15_SOURCE_DIR
    NAMES ostn_east_shift_82140 ostn_north_shift_-84180
    PATHS /usr/share/perl5/auto/share/dist/Geo-Coordinates-OSGB
    DOC "Folder with the OSTN15 shift files ostn_east_shift_82140 and ostn_north_shift_-84180")

set(TARNWICK_OSTN15_FILE ${PROJECT_BINARY_DIR}/share/tarnwick/ostn15.dat)

if(TARNWICK_OSTN15_SOURCE_DIR)
    add_executable(tarnwick_ostn15_pack ${CMAKE_CURRENT_LIST_DIR}/ostn15_pack.cpp)
    add_custom_command(OUTPUT ${TARNWICK_OSTN15_FILE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/share/tarnwick
        COMMAND tarnwick_ostn15_pack
            ${TARNWICK_OSTN15_SOURCE_DIR}/ostn_east_shift_82140
            ${TARNWICK_OSTN15_SOURCE_DIR}/ostn_north_shift_-84180
            ${TARNWICK_OSTN15_FILE}
        DEPENDS tarnwick_ostn15_pack
            ${TARNWICK_OSTN15_SOURCE_DIR}/ostn_east_shift_82140
            ${TARNWICK_OSTN15_SOURCE_DIR}/ostn_north_shift_-84180
        COMMENT "Packing the OSTN15 shift grid")
    add_custom_target(tarnwick_ostn15_data ALL DEPENDS ${TARNWICK_OSTN15_FILE})
    install(FILES ${TARNWICK_OSTN15_FILE}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnwick COMPONENT tarnwick)
else()
    message(WARNING "OSTN15 shift files not found (Debian: apt-get install "
        "libgeo-coordinates-osgb-perl, or set TARNWICK_OSTN15_SOURCE_DIR): the library builds "
        "without its data and precise mode will refuse to convert")
endif()
