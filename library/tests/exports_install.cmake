# Install test of libtarnwick.so, run by CTest as `cmake -D... -P exports_install.cmake`.
# Installs the component `tarnwick` of the build tree into a fresh prefix, then builds and runs
# the out-of-tree program tests/consumer against it twice: through find_package(tarnwick) and
# through `pkg-config --cflags --libs tarnwick` with the compiler called directly.
# Variables: BUILD_DIR, CONSUMER_DIR, WORK_DIR, LIBDIR, INCLUDEDIR, C_COMPILER, C_FLAGS,
# LINKER_FLAGS, PKG_CONFIG, GENERATOR.
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

# The library may not be built yet in a freshly configured tree.
run(${CMAKE_COMMAND} --build ${BUILD_DIR} --target tarnwick)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component tarnwick)
foreach(file
        ${INCLUDEDIR}/tarnwick.h
        ${LIBDIR}/libtarnwick.so
        ${LIBDIR}/cmake/tarnwick/tarnwickConfig.cmake
        ${LIBDIR}/cmake/tarnwick/tarnwickConfigVersion.cmake
        ${LIBDIR}/pkgconfig/tarnwick.pc)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# 1. CMake package.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_C_COMPILER=${C_COMPILER}
    "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/tarnwick_consumer)
message(STATUS "find_package consumer: ${output}")

# 2. pkg-config only; PKG_CONFIG_LIBDIR keeps any other installed copy out of sight.
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
run(${PKG_CONFIG} --cflags --libs tarnwick)
separate_arguments(pkg_flags UNIX_COMMAND "${output}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
separate_arguments(linker_flags UNIX_COMMAND "${LINKER_FLAGS}")
run(${C_COMPILER} ${c_flags} ${CONSUMER_DIR}/consumer.c ${pkg_flags} ${linker_flags}
    -o ${WORK_DIR}/pkg-config-consumer)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} ${WORK_DIR}/pkg-config-consumer)
message(STATUS "pkg-config consumer: ${output}")
