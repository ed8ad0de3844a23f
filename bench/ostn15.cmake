# tarnwick_ostn15_bench: cost per point of precise mode (OSTN15, exact projection) next to the
# seven-parameter Helmert chain, one thread, on the same points: the one-point functions, the
# array conversions and the transform library's array call.
add_executable(tarnwick_ostn15_bench ${CMAKE_CURRENT_LIST_DIR}/ostn15_bench.cpp)
target_link_libraries(tarnwick_ostn15_bench PRIVATE tarnwick_core tarnwick_transform
    benchmark::benchmark)
if(TARGET tarnwick_ostn15_data)
    add_dependencies(tarnwick_ostn15_bench tarnwick_ostn15_data)
endif()
