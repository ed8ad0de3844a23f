# The shared C libraries of the tree (libtarnwick.so, libtarnwick_transform.so) are made alike:
# one unit over the static core exporting exactly the functions of its header, installed in the
# component `tarnwick` with the header, in the CMake export set `tarnwickTargets`, and with a
# pkg-config file of its own.
include_guard(GLOBAL)

# tarnwick_c_library(<target> <source> <header> FUNCTIONS <name>...): the library; the
# version script exports the listed names and hides every other symbol (an anonymous version
# node: the names stay plain, and `local: *` hides everything else, including what the static
# C++ core and its templates bring along). The symbol tests compare the dynamic symbol table
# with the same list.
function(tarnwick_c_library target source header)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "FUNCTIONS")
    list(JOIN arg_FUNCTIONS ";\n    " globals)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(CONFIGURE OUTPUT ${script} CONTENT
"{
  global:
    ${globals};
  local:
    *;
};
")
    add_library(${target} SHARED ${source})
    target_link_libraries(${target} PRIVATE tarnwick_core)
    target_include_directories(${target} PUBLIC
        $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
    set_target_properties(${target} PROPERTIES
        VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        LINK_DEPENDS ${script}
        PUBLIC_HEADER ${header})
    install(TARGETS ${target} EXPORT tarnwickTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tarnwick NAMELINK_COMPONENT tarnwick
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT tarnwick)
endfunction()

# tarnwick_pkg_config(<library> <description>): <library>.pc, linking -l<library>, installed
# in the component `tarnwick`. The prefix is computed from the file's own folder
# (${pcfiledir}), so an installed tree can be moved (and `cmake --install --prefix` works).
function(tarnwick_pkg_config library description)
    set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
    file(RELATIVE_PATH pc_to_prefix /prefix/${pkgconfig_dir} /prefix)
    string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${library}.pc @ONLY CONTENT
"prefix=\${pcfiledir}/@pc_to_prefix@
libdir=\${prefix}/@CMAKE_INSTALL_LIBDIR@
includedir=\${prefix}/@CMAKE_INSTALL_INCLUDEDIR@

Name: @library@
Description: @description@
Version: @PROJECT_VERSION@
Libs: -L\${libdir} -l@library@
Cflags: -I\${includedir}
")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${library}.pc DESTINATION ${pkgconfig_dir}
        COMPONENT tarnwick)
endfunction()
