# Installs the build into a scratch prefix and checks what velmont needs there: the program, the
# library it finds through its run path, the transform library that precise mode opens beside it, the desktop entry with its icon, and the documentation
# page at <bin>/../share/doc/velmont/index.html, where the Info page looks for it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    ${BINDIR}/velmont
    ${LIBDIR}/libtarnwick.so.1
    ${LIBDIR}/libtarnwick_transform.so.1
    share/applications/velmont.desktop
    share/icons/hicolor/16x16/apps/velmont.png
    share/icons/hicolor/256x256/apps/velmont.png
    ${BINDIR}/../share/doc/velmont/index.html)
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

file(READ ${PREFIX}/share/applications/velmont.desktop entry)
foreach(line "Exec=velmont" "Icon=velmont" "Type=Application")
    string(FIND "${entry}" "${line}" at)
    if(at LESS 0)
        message(FATAL_ERROR "desktop entry lacks ${line}")
    endif()
endforeach()

# The installed program loads the installed library (run path relative to the program).
execute_process(COMMAND ldd ${PREFIX}/${BINDIR}/velmont OUTPUT_VARIABLE libraries)
string(REGEX MATCH "libtarnwick\\.so\\.1 => ([^ ]+)" found "${libraries}")
file(REAL_PATH "${CMAKE_MATCH_1}" loaded)
file(REAL_PATH "${PREFIX}/${LIBDIR}/libtarnwick.so.1" installed)
if(NOT loaded STREQUAL installed)
    message(FATAL_ERROR "velmont loads '${CMAKE_MATCH_1}', not the installed ${installed}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "velmont installs completely")
