# Installation of velmont (component `velmont`): the program, its desktop entry, its icon in the
# hicolor theme and the documentation page that the Info page opens. Included by
# app/CMakeLists.txt after the target `velmont` is defined.

# libtarnwick.so is installed to the library folder beside bin/: find it there from any prefix.
file(RELATIVE_PATH velmont_bin_to_lib /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
set_target_properties(velmont PROPERTIES INSTALL_RPATH "$ORIGIN/${velmont_bin_to_lib}")

install(TARGETS velmont RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmont)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/velmont.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT velmont)
foreach(size 16 32 48 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/velmont-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME velmont.png COMPONENT velmont)
endforeach()
# The page's place is fixed: help_text::DocumentationUrl() looks for it there.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/index.html
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmont COMPONENT velmont)

# The installed tree: program, library beside it, desktop entry, icons and the documentation page
# where the program looks for it.
if(BUILD_TESTING)
    add_test(NAME velmont.install
        COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-check
            -DBINDIR=${CMAKE_INSTALL_BINDIR} -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
            -P ${CMAKE_CURRENT_LIST_DIR}/tests/karte_install_check.cmake)
    set_tests_properties(velmont.install PROPERTIES LABELS velmont)
endif()
