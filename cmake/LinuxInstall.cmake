# What the Linux program says about itself, `cmake --install` and the
# Debian package (cpack -G DEB): the program where XScreenSaver and MATE
# look for display modes, its description for XScreenSaver's settings tool,
# a script that adds it to ~/.xscreensaver, MATE's screen-saver entry, a
# desktop entry for the settings dialog, the icon, the manual page and the
# licence.
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
# Debian's rules want manual pages and the changelog compressed, without a
# time stamp. The setup script's page is the program's, where it is described.
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog.in ${CMAKE_BINARY_DIR}/generated/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/generated/gyrelle.6.gz ${CMAKE_BINARY_DIR}/generated/changelog.gz
    COMMAND gzip -9nfk ${CMAKE_BINARY_DIR}/generated/gyrelle.6 ${CMAKE_BINARY_DIR}/generated/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/generated/gyrelle.6 ${CMAKE_BINARY_DIR}/generated/changelog
    COMMENT "Compressing the manual page and the changelog")
file(CREATE_LINK gyrelle.6.gz ${CMAKE_BINARY_DIR}/generated/gyrelle-xscreensaver-setup.6.gz SYMBOLIC)
add_custom_target(gyrelle_man_page ALL DEPENDS ${CMAKE_BINARY_DIR}/generated/gyrelle.6.gz ${CMAKE_BINARY_DIR}/generated/changelog.gz)

set(GYRELLE_HACK_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(TARGETS gyrelle RUNTIME DESTINATION ${GYRELLE_HACK_DIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/linux/gyrelle-xscreensaver-setup DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/gyrelle.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${CMAKE_BINARY_DIR}/generated/gyrelle.6.gz ${CMAKE_BINARY_DIR}/generated/gyrelle-xscreensaver-setup.6.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/copyright ${CMAKE_BINARY_DIR}/generated/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/gyrelle)
foreach(size ${GYRELLE_ICON_SIZES})
    install(FILES ${GYRELLE_ICON_DIR}/${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME gyrelle.png)
endforeach()

# The prefix is known only at install time (cmake --install --prefix), so
# the link in bin and the absolute paths in the desktop entries are filled
# in then. MATE runs a screen saver's Exec only from its own folders
# (/usr/libexec/xscreensaver among them), so its entry names the program
# bare; a link there serves any other prefix.
install(CODE "
    set(program \"\${CMAKE_INSTALL_PREFIX}/${GYRELLE_HACK_DIR}/gyrelle\")
    set(GYRELLE_PROGRAM \"\${program}\")
    # The manifest lists where files will be, as cmake's own entries do: without DESTDIR.
    function(gyrelle_fill template path)
        message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${path}\")
        configure_file(\"${PROJECT_SOURCE_DIR}/packaging/linux/\${template}\"
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${path}\" @ONLY)
        set(CMAKE_INSTALL_MANIFEST_FILES \${CMAKE_INSTALL_MANIFEST_FILES} \"\${CMAKE_INSTALL_PREFIX}/\${path}\" PARENT_SCOPE)
    endfunction()
    gyrelle_fill(gyrelle.desktop.in ${CMAKE_INSTALL_DATADIR}/applications/gyrelle.desktop)
    gyrelle_fill(gyrelle-screensaver.desktop.in ${CMAKE_INSTALL_DATADIR}/applications/screensavers/gyrelle.desktop)

    set(bin_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(RELATIVE_PATH target \"\${bin_dir}\" \"\${program}\")
    message(STATUS \"Installing: \$ENV{DESTDIR}\${bin_dir}/gyrelle -> \${target}\")
    file(CREATE_LINK \"\${target}\" \"\$ENV{DESTDIR}\${bin_dir}/gyrelle\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${bin_dir}/gyrelle\")
")

# The Debian package: what cmake --install puts under /usr, its libraries
# worked out from the binary by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME gyrelle)
set(CPACK_PACKAGE_VENDOR Orvanti)
set(CPACK_PACKAGE_CONTACT "Orvanti <gyrelle@orvanti.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vortex screen saver with clouds, shards of the desktop and lightning")
set(CPACK_PACKAGE_DESCRIPTION "Gyrelle draws with OpenGL a vortex of procedural clouds flowing into a
twisted disc, with drifting specks, the desktop breaking into shards that
fall into the depth, branching lightning and meteors. It runs on its own,
as an XScreenSaver display mode, under MATE's screen saver and under
xsecurelock, and has a settings dialog and an offscreen recorder.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver | xsecurelock")
set(CPACK_GENERATOR DEB)
include(CPack)
