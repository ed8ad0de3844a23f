# Install test of libtarnwick.so and libtarnwick_transform.so, run by CTest as
# `cmake -D... -P exports_install.cmake`. Installs the component `tarnwick` of the build tree
# into a fresh prefix, then builds and runs the out-of-tree programs of tests/consumer against
# it twice: through find_package(tarnwick) and through `pkg-config --cflags --libs` with the
# compiler called directly. The transform's consumer reads the published OSTN15 test points
# and the installed shift grid, where the build made one.
# Variables: BUILD_DIR, BUILD_TARGETS (comma-separated), CONSUMER_DIR, OSTN15_POINTS, WORK_DIR, LIBDIR,
# INCLUDEDIR, DATADIR, C_COMPILER, C_FLAGS, LINKER_FLAGS, PKG_CONFIG, GENERATOR.
cmake_minimum_required(VERSION 3.25)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
        ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "failed (${status}): ${command}\n${out}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# The libraries (and the shift grid) may not be built yet in a freshly configured tree.
string(REPLACE "," ";" build_targets "${BUILD_TARGETS}")
run(${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${build_targets})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component tarnwick)
foreach(file
        ${INCLUDEDIR}/tarnwick.h
        ${INCLUDEDIR}/tarnwick_transform.h
        ${LIBDIR}/libtarnwick.so
        ${LIBDIR}/libtarnwick_transform.so
        ${LIBDIR}/pkgconfig/tarnwick_transform.pc
        ${LIBDIR}/cmake/tarnwick/tarnwickConfig.cmake
        ${LIBDIR}/cmake/tarnwick/tarnwickConfigVersion.cmake
        ${LIBDIR}/pkgconfig/tarnwick.pc)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# Precise mode of the installed copy reads the installed shift grid, not the build tree's.
set(shift_grid ${prefix}/${DATADIR}/tarnwick/ostn15.dat)
set(consumers tarnwick_consumer "tarnwick_transform_consumer ${OSTN15_POINTS}")
if(EXISTS ${shift_grid})
    list(APPEND consumers tarnwick_bng_to_utm)
else()
    message(STATUS "no shift grid installed: tarnwick_bng_to_utm, which uses both methods, not run")
endif()

# 1. CMake package.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
    "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
foreach(consumer IN LISTS consumers)
    separate_arguments(command UNIX_COMMAND "${consumer}")
    list(POP_FRONT command program)
    run(${CMAKE_COMMAND} -E env TARNWICK_OSTN15=${shift_grid} ${WORK_DIR}/cmake-build/${program}
        ${command})
    message(STATUS "find_package ${program}: ${output}")
endforeach()

# 2. pkg-config only; PKG_CONFIG_LIBDIR keeps any other installed copy out of sight.
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
run(${PKG_CONFIG} --cflags --libs tarnwick tarnwick_transform)
separate_arguments(pkg_flags UNIX_COMMAND "${output}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
separate_arguments(linker_flags UNIX_COMMAND "${LINKER_FLAGS}")
foreach(consumer IN LISTS consumers)
    separate_arguments(command UNIX_COMMAND "${consumer}")
    list(POP_FRONT command program)
    string(REGEX REPLACE "^tarnwick_" "" source "${program}")
    run(${C_COMPILER} ${c_flags} ${CONSUMER_DIR}/${source}.c ${pkg_flags} ${linker_flags} -lm
        -o ${WORK_DIR}/pkg-config-${program})
    run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} TARNWICK_OSTN15=${shift_grid}
        ${WORK_DIR}/pkg-config-${program} ${command})
    message(STATUS "pkg-config ${program}: ${output}")
endforeach()
