# libtarnwick.so: the exported C interface (tarnwick.cpp) over the static core, its install
# rules, the CMake package `tarnwick::tarnwick` and the pkg-config file `tarnwick.pc`.

# The whole exported interface. The version script (c_library.cmake) exports these names and hides
# every other symbol; the symbol test compares the library's dynamic symbol table with this list.
set(TARNWICK_EXPORTED_FUNCTIONS
    initialize_api
    finalize_api
    convert_bng_to_utm
    convert_utm_to_bng
    from_bng_to_wgs84_lat_long
    is_in_overlap_region
    is_overlapping_zone
    convert_to_overlap_zone)

include(${CMAKE_CURRENT_LIST_DIR}/c_library.cmake)
tarnwick_c_library(tarnwick ${CMAKE_CURRENT_SOURCE_DIR}/tarnwick.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/include/tarnwick.h FUNCTIONS ${TARNWICK_EXPORTED_FUNCTIONS})

# Installation, all in the component `tarnwick`: the library with its links, the header, the
# CMake package and the pkg-config file. Both package files find everything relative to their
# own place, so an installed tree can be moved (and `cmake --install --prefix` works).
include(CMakePackageConfigHelpers)
set(TARNWICK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tarnwick)

install(EXPORT tarnwickTargets NAMESPACE tarnwick:: DESTINATION ${TARNWICK_CMAKE_DIR}
    COMPONENT tarnwick)

file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfig.cmake @ONLY CONTENT
"# CMake package of libtarnwick.so and libtarnwick_transform.so: find_package(tarnwick) gives the
# targets tarnwick::tarnwick and tarnwick::transform.
include(\"\${CMAKE_CURRENT_LIST_DIR}/tarnwickTargets.cmake\")
")
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfigVersion.cmake
    DESTINATION ${TARNWICK_CMAKE_DIR} COMPONENT tarnwick)

tarnwick_pkg_config(tarnwick "${PROJECT_DESCRIPTION}")
