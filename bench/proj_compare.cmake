# tarnwick_proj_compare: time per point of convert_bng_to_utm, convert_utm_to_bng and
# from_bng_to_wgs84_lat_long through libtarnwick.so, next to PROJ running the same pipelines on
# the same points in the same run, with the ratio tarnwick / PROJ. PROJ is optional: without it
# the program measures tarnwick alone and says so. Also the core's array conversions and
# libtarnwick_transform.so's tarnwick_transform_points next to PROJ's proj_trans_generic, and
# the exports on one and two threads. PROJ serves this comparison only; the library never
# links it.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(PROJ QUIET IMPORTED_TARGET proj)
endif()

add_executable(tarnwick_proj_compare ${CMAKE_CURRENT_LIST_DIR}/proj_compare.cpp)
# The exports from libtarnwick.so and libtarnwick_transform.so; the array conversions from the
# core, linked in statically.
target_link_libraries(tarnwick_proj_compare PRIVATE tarnwick tarnwick_transform tarnwick_core
    benchmark::benchmark)
if(PROJ_FOUND)
    target_compile_definitions(tarnwick_proj_compare PRIVATE TARNWICK_HAVE_PROJ=1)
    target_link_libraries(tarnwick_proj_compare PRIVATE PkgConfig::PROJ)
    message(STATUS "tarnwick_proj_compare: comparing with PROJ ${PROJ_VERSION}")
else()
    target_compile_definitions(tarnwick_proj_compare PRIVATE TARNWICK_HAVE_PROJ=0)
    message(STATUS "tarnwick_proj_compare: PROJ not found, measuring tarnwick alone")
endif()
