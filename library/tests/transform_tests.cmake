# Tests of libtarnwick_transform.so, the C interface over the array conversions:
#   exports.c.transform.<case>  the C test program c/transform_test.c (one test per case), and
#                               tests/consumer/transform_consumer.c on the build tree; the checks
#                               of precise mode are skipped where the build made no shift grid
#   exports.transform_symbols   the dynamic symbol table holds exactly the declared functions
# Its install and consumer test runs in exports.install.
tarnwick_add_c_tests(transform LIBRARIES tarnwick_transform Threads::Threads)
target_compile_definitions(tarnwick_c_transform PRIVATE
    TARNWICK_EXPECTED_VERSION="${PROJECT_VERSION}")
if(TARGET tarnwick_ostn15_data)
    add_dependencies(tarnwick_c_transform tarnwick_ostn15_data)
endif()
set_tests_properties(exports.c.transform.every_pair_by_ostn15_gives_the_tool_s_result
    PROPERTIES SKIP_RETURN_CODE 77)

# The consumer of an installed copy, here on the build tree: the published OSTN15 test points
# both ways and the integers of convert_bng_to_utm.
add_executable(tarnwick_c_transform_consumer ${PROJECT_SOURCE_DIR}/tests/consumer/transform_consumer.c)
target_link_libraries(tarnwick_c_transform_consumer PRIVATE tarnwick_transform tarnwick m)
if(TARGET tarnwick_ostn15_data)
    add_dependencies(tarnwick_c_transform_consumer tarnwick_ostn15_data)
endif()
add_test(NAME exports.c.transform.published_ostn15_points_and_the_exports_integers
         COMMAND tarnwick_c_transform_consumer ${CMAKE_CURRENT_SOURCE_DIR}/data/ostn15-test-points.tsv)
set_tests_properties(exports.c.transform.published_ostn15_points_and_the_exports_integers
    PROPERTIES SKIP_REGULAR_EXPRESSION "precise mode skipped")

list(JOIN TARNWICK_TRANSFORM_EXPORTED_FUNCTIONS "," transform_names)
add_test(NAME exports.transform_symbols
         COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:tarnwick_transform>
                 -DEXPECTED=${transform_names} -P ${CMAKE_CURRENT_SOURCE_DIR}/exports_symbols.cmake)
