# What the Linux program says about itself, and `cmake --install`: the
# program where XScreenSaver looks for its display modes, its description
# for XScreenSaver's settings tool, a desktop entry for the settings
# dialog, the icon and the manual page.
include(GNUInstallDirs)

# The icon theme's sizes, taken from the Windows icon so that both builds
# show the same picture.
set(GYRELLE_ICON_SIZES 16 32 48 256)
set(GYRELLE_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)
set(GYRELLE_ICON_FILES)
foreach(size ${GYRELLE_ICON_SIZES})
    list(APPEND GYRELLE_ICON_FILES ${GYRELLE_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(OUTPUT ${GYRELLE_ICON_FILES}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/ico_to_png.py
            ${PROJECT_SOURCE_DIR}/resources/gyrelle.ico ${GYRELLE_ICON_DIR} ${GYRELLE_ICON_SIZES}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/ico_to_png.py ${PROJECT_SOURCE_DIR}/resources/gyrelle.ico
    COMMENT "Writing the icon theme's pictures from resources/gyrelle.ico")
add_custom_target(gyrelle_icons ALL DEPENDS ${GYRELLE_ICON_FILES})

configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/gyrelle.6.in
    ${CMAKE_BINARY_DIR}/generated/gyrelle.6 @ONLY)

set(GYRELLE_HACK_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(TARGETS gyrelle RUNTIME DESTINATION ${GYRELLE_HACK_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/gyrelle.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${CMAKE_BINARY_DIR}/generated/gyrelle.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
foreach(size ${GYRELLE_ICON_SIZES})
    install(FILES ${GYRELLE_ICON_DIR}/${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME gyrelle.png)
endforeach()

# The prefix is known only at install time (cmake --install --prefix), so
# the link in bin and the desktop entry's absolute path are made then.
install(CODE "
    set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(program \"\${CMAKE_INSTALL_PREFIX}/${GYRELLE_HACK_DIR}/gyrelle\")
    file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" \"\${program}\")
    file(MAKE_DIRECTORY \"\${bin_dir}\")
    message(STATUS \"Installing: \${bin_dir}/gyrelle -> \${target}\")
    file(CREATE_LINK \"\${target}\" \"\${bin_dir}/gyrelle\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${bin_dir}/gyrelle\")

    set(GYRELLE_PROGRAM \"\${program}\")
    set(desktop \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/gyrelle.desktop\")
    message(STATUS \"Installing: \${desktop}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/packaging/linux/gyrelle.desktop.in\" \"\${desktop}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${desktop}\")
")
