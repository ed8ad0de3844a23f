# Tests of libtarnwick.so, the exported C interface:
#   exports.c.<program>.<case>  the C test programs of c/ (one CTest test per case and process)
#   exports.header_cxx          the header compiled and linked as C++
#   exports.symbols             the dynamic symbol table holds exactly the eight functions
#   exports.install             install into a fresh prefix and build the consumers against it
#                               (those of libtarnwick_transform.so too)
find_package(Threads REQUIRED)

set(exports_test_dir ${CMAKE_CURRENT_SOURCE_DIR})
add_library(tarnwick_c_harness STATIC ${exports_test_dir}/c/harness.c)
target_link_libraries(tarnwick_c_harness PUBLIC m)

# Registers every TEST_CASE(name) of c/<program>_test.c as its own test; extra arguments go
# before the case name.
function(tarnwick_add_c_tests program)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBRARIES;ARGS")
    set(source ${exports_test_dir}/c/${program}_test.c)
    add_executable(tarnwick_c_${program} ${source})
    target_link_libraries(tarnwick_c_${program} PRIVATE tarnwick_c_harness ${arg_LIBRARIES})
    file(STRINGS ${source} case_lines REGEX "^TEST_CASE\\([a-z0-9_]+\\)")
    foreach(line IN LISTS case_lines)
        string(REGEX REPLACE "^TEST_CASE\\(([a-z0-9_]+)\\).*" "\\1" case_name "${line}")
        add_test(NAME exports.c.${program}.${case_name}
                 COMMAND tarnwick_c_${program} ${arg_ARGS} ${case_name})
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

tarnwick_add_c_tests(conversions LIBRARIES tarnwick)
tarnwick_add_c_tests(overlap LIBRARIES tarnwick)
tarnwick_add_c_tests(interface LIBRARIES tarnwick)
tarnwick_add_c_tests(threads LIBRARIES tarnwick Threads::Threads)
# Loads the library itself with dlopen, so it must not be linked to it.
tarnwick_add_c_tests(loading LIBRARIES ${CMAKE_DL_LIBS} ARGS $<TARGET_FILE:tarnwick>)
add_dependencies(tarnwick_c_loading tarnwick)

add_executable(tarnwick_exports_header_cxx ${exports_test_dir}/exports_header_cxx.cpp)
target_link_libraries(tarnwick_exports_header_cxx PRIVATE tarnwick)
add_test(NAME exports.header_cxx COMMAND tarnwick_exports_header_cxx)

list(JOIN TARNWICK_EXPORTED_FUNCTIONS "," exported_names)
add_test(NAME exports.symbols
         COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:tarnwick>
                 -DEXPECTED=${exported_names} -P ${exports_test_dir}/exports_symbols.cmake)

find_program(TARNWICK_PKG_CONFIG pkg-config REQUIRED)
set(install_targets tarnwick tarnwick_transform)
if(TARGET tarnwick_ostn15_data)
    list(APPEND install_targets tarnwick_ostn15_data)
endif()
list(JOIN install_targets "," install_targets)
add_test(NAME exports.install
         COMMAND ${CMAKE_COMMAND}
                 -DBUILD_DIR=${PROJECT_BINARY_DIR}
                 "-DBUILD_TARGETS=${install_targets}"
                 -DCONSUMER_DIR=${PROJECT_SOURCE_DIR}/tests/consumer
                 -DOSTN15_POINTS=${CMAKE_CURRENT_SOURCE_DIR}/data/ostn15-test-points.tsv
                 -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/exports_install
                 -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
                 -DINCLUDEDIR=${CMAKE_INSTALL_INCLUDEDIR}
                 -DDATADIR=${CMAKE_INSTALL_DATADIR}
                 -DC_COMPILER=${CMAKE_C_COMPILER}
                 "-DC_FLAGS=${CMAKE_C_FLAGS}"
                 "-DLINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}"
                 -DPKG_CONFIG=${TARNWICK_PKG_CONFIG}
                 "-DGENERATOR=${CMAKE_GENERATOR}"
                 -P ${exports_test_dir}/exports_install.cmake)
set_tests_properties(exports.install PROPERTIES TIMEOUT 300)
