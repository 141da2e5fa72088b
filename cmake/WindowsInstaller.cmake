# The Windows installer, Gyrelle-VERSION-setup.exe beside Gyrelle.scr, made
# with Debian's NSIS (packaging/windows/gyrelle.nsi says what it does).
find_program(MAKENSIS_EXECUTABLE makensis REQUIRED)

set(GYRELLE_INSTALLER ${CMAKE_BINARY_DIR}/Gyrelle-${PROJECT_VERSION}-setup.exe)
set(GYRELLE_NSIS_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/gyrelle.nsi)
add_custom_command(OUTPUT ${GYRELLE_INSTALLER}
    COMMAND ${MAKENSIS_EXECUTABLE} -V2 -WX
            -DVERSION=${PROJECT_VERSION}
            -DSCR=$<TARGET_FILE:gyrelle_scr>
            -DICON=${PROJECT_SOURCE_DIR}/resources/gyrelle.ico
            -DOUTFILE=${GYRELLE_INSTALLER}
            ${GYRELLE_NSIS_SCRIPT}
    DEPENDS gyrelle_scr ${GYRELLE_NSIS_SCRIPT} ${PROJECT_SOURCE_DIR}/resources/gyrelle.ico
    COMMENT "Building the installer Gyrelle-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
add_custom_target(gyrelle_installer ALL DEPENDS ${GYRELLE_INSTALLER})
