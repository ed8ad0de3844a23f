# tarnwick_convert_bench: single-thread speed of each exported conversion's chain in the core,
# and rows per second and peak resident memory of tarnwick-convert on a million BNG points.
add_executable(tarnwick_convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
target_link_libraries(tarnwick_convert_bench PRIVATE tarnwick_core benchmark::benchmark)
if(TARGET tarnwick-convert)
    target_compile_definitions(tarnwick_convert_bench PRIVATE
        TARNWICK_CONVERT_PROGRAM="$<TARGET_FILE:tarnwick-convert>")
    add_dependencies(tarnwick_convert_bench tarnwick-convert)
endif()
