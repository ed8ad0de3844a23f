# libtarnwick_transform.so: the C interface over the array conversions (tarnwick_transform.cpp),
# installed beside libtarnwick.so: the CMake target `tarnwick::transform` (in the package of
# exports.cmake: find_package(tarnwick) gives both libraries) and `tarnwick_transform.pc`.

# The whole exported interface; the symbol test compares the library's dynamic symbol table
# with this list.
set(TARNWICK_TRANSFORM_EXPORTED_FUNCTIONS
    tarnwick_transform_create
    tarnwick_transform_points
    tarnwick_transform_destroy
    tarnwick_status_name
    tarnwick_last_error
    tarnwick_version)

include(${CMAKE_CURRENT_LIST_DIR}/c_library.cmake)
tarnwick_c_library(tarnwick_transform ${CMAKE_CURRENT_SOURCE_DIR}/tarnwick_transform.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/include/tarnwick_transform.h
    FUNCTIONS ${TARNWICK_TRANSFORM_EXPORTED_FUNCTIONS})
set_target_properties(tarnwick_transform PROPERTIES EXPORT_NAME transform)
add_library(tarnwick::transform ALIAS tarnwick_transform)
tarnwick_pkg_config(tarnwick_transform
    "Arrays of points between the National Grid, UTM, WGS84, ETRS89 and the Swiss grids, by Helmert or OSTN15")
