# libtarnwick.so: the exported C interface (tarnwick.cpp) over the static core, its install
# rules, the CMake package `tarnwick::tarnwick` and the pkg-config file `tarnwick.pc`.

# The whole exported interface. The version script below exports these names and hides every
# other symbol; the symbol test compares the library's dynamic symbol table with this list.
set(TARNWICK_EXPORTED_FUNCTIONS
    initialize_api
    finalize_api
    convert_bng_to_utm
    convert_utm_to_bng
    from_bng_to_wgs84_lat_long
    is_in_overlap_region
    is_overlapping_zone
    convert_to_overlap_zone)

# An anonymous version node: the names stay plain (no symbol version) and `local: *` hides
# everything else, including what the static C++ core and its templates bring along.
list(JOIN TARNWICK_EXPORTED_FUNCTIONS ";\n    " tarnwick_version_globals)
set(TARNWICK_VERSION_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.map)
file(CONFIGURE OUTPUT ${TARNWICK_VERSION_SCRIPT} CONTENT
"{
  global:
    ${tarnwick_version_globals};
  local:
    *;
};
")

add_library(tarnwick SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tarnwick.cpp)
target_link_libraries(tarnwick PRIVATE tarnwick_core)
target_include_directories(tarnwick PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_options(tarnwick PRIVATE "LINKER:--version-script=${TARNWICK_VERSION_SCRIPT}")
set_target_properties(tarnwick PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${TARNWICK_VERSION_SCRIPT}
    PUBLIC_HEADER ${CMAKE_CURRENT_SOURCE_DIR}/include/tarnwick.h)

# Installation, all in the component `tarnwick`: the library with its links, the header, the
# CMake package and the pkg-config file. Both package files find everything relative to their
# own place, so an installed tree can be moved (and `cmake --install --prefix` works).
include(CMakePackageConfigHelpers)
set(TARNWICK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tarnwick)
set(TARNWICK_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS tarnwick EXPORT tarnwickTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tarnwick NAMELINK_COMPONENT tarnwick
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT tarnwick)
install(EXPORT tarnwickTargets NAMESPACE tarnwick:: DESTINATION ${TARNWICK_CMAKE_DIR}
    COMPONENT tarnwick)

file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfig.cmake @ONLY CONTENT
"# CMake package of libtarnwick.so: find_package(tarnwick) gives the target tarnwick::tarnwick.
include(\"\${CMAKE_CURRENT_LIST_DIR}/tarnwickTargets.cmake\")
")
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/tarnwickConfigVersion.cmake
    DESTINATION ${TARNWICK_CMAKE_DIR} COMPONENT tarnwick)

# pkg-config: the prefix is computed from the .pc file's own folder (${pcfiledir}).
file(RELATIVE_PATH tarnwick_pc_to_prefix /prefix/${TARNWICK_PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" tarnwick_pc_to_prefix "${tarnwick_pc_to_prefix}")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.pc @ONLY CONTENT
"prefix=\${pcfiledir}/@tarnwick_pc_to_prefix@
libdir=\${prefix}/@CMAKE_INSTALL_LIBDIR@
includedir=\${prefix}/@CMAKE_INSTALL_INCLUDEDIR@

Name: tarnwick
Description: @PROJECT_DESCRIPTION@
Version: @PROJECT_VERSION@
Libs: -L\${libdir} -ltarnwick
Cflags: -I\${includedir}
")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.pc DESTINATION ${TARNWICK_PKGCONFIG_DIR}
    COMPONENT tarnwick)
