# Linux build: the Windows-interface layer on Xlib, GLX, Wayland, EGL and
# GTK 3, the program, its tests and benchmarks.
find_package(PkgConfig REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL GLX)
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)
find_package(GTest REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client wayland-egl)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_SCANNER OR NOT WAYLAND_PROTOCOLS_DIR)
    message(FATAL_ERROR "wayland-scanner and wayland-protocols are needed (Debian: libwayland-dev wayland-protocols)")
endif()
find_library(GLU_LIBRARY GLU REQUIRED)

target_link_libraries(gyrelle_core PUBLIC OpenGL::GL ${GLU_LIBRARY})

file(GLOB_RECURSE GYRELLE_PLATFORM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/linux/*.cpp)
# The dialog templates and the logo come from the resource script itself.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(GYRELLE_DIALOG_TABLES ${CMAKE_BINARY_DIR}/generated/dialog_templates.cpp)
add_custom_command(OUTPUT ${GYRELLE_DIALOG_TABLES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/rc_dialogs.py
            ${PROJECT_SOURCE_DIR}/resources/gyrelle.rc ${GYRELLE_DIALOG_TABLES}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/rc_dialogs.py ${PROJECT_SOURCE_DIR}/resources/gyrelle.rc
            ${PROJECT_SOURCE_DIR}/resources/logo.bmp
    COMMENT "Reading the dialog templates from resources/gyrelle.rc")
# The Wayland protocols' C bindings, made by wayland-scanner from the
# protocol files: the stable and staging ones as Debian ships them, wlroots'
# three (layer shell, output power, screen copy) from our own statement of
# their wire format.
set(GYRELLE_OWN_PROTOCOLS ${PROJECT_SOURCE_DIR}/platform/linux/wayland/protocols)
set(GYRELLE_WAYLAND_PROTOCOLS
    ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
    ${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml
    ${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-decoration/xdg-decoration-unstable-v1.xml
    ${GYRELLE_OWN_PROTOCOLS}/wlr-layer-shell-unstable-v1.xml
    ${GYRELLE_OWN_PROTOCOLS}/wlr-output-power-management-unstable-v1.xml
    ${GYRELLE_OWN_PROTOCOLS}/wlr-screencopy-unstable-v1.xml)
set(GYRELLE_WAYLAND_GENERATED ${CMAKE_BINARY_DIR}/generated/wayland)
set(GYRELLE_WAYLAND_SOURCES)
foreach(xml ${GYRELLE_WAYLAND_PROTOCOLS})
    get_filename_component(name ${xml} NAME_WE)
    set(header ${GYRELLE_WAYLAND_GENERATED}/${name}-client-protocol.h)
    set(code ${GYRELLE_WAYLAND_GENERATED}/${name}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${GYRELLE_WAYLAND_GENERATED}
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
        DEPENDS ${xml}
        COMMENT "Generating the Wayland binding of ${name}")
    list(APPEND GYRELLE_WAYLAND_SOURCES ${header} ${code})
endforeach()
add_library(gyrelle_platform STATIC ${GYRELLE_PLATFORM_SOURCES} ${GYRELLE_DIALOG_TABLES} ${GYRELLE_WAYLAND_SOURCES})
target_include_directories(gyrelle_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_include_directories(gyrelle_platform PRIVATE ${GYRELLE_WAYLAND_GENERATED})
target_link_libraries(gyrelle_platform PUBLIC
    OpenGL::GL OpenGL::EGL OpenGL::GLX ${GLU_LIBRARY} X11::X11 X11::Xext X11::Xrandr X11::Xinerama
    PkgConfig::GTK3 PkgConfig::SYSTEMD PkgConfig::WAYLAND)

# The Linux program's own parts beside its entry: the command line, the
# recorder and its image files. The tests link them too.
add_library(gyrelle_program STATIC
    linux_program/command_line.cpp linux_program/recorder.cpp linux_program/image_files.cpp)
target_link_libraries(gyrelle_program PUBLIC gyrelle_core gyrelle_platform PNG::PNG GIF::GIF)
target_compile_definitions(gyrelle_program PRIVATE GYRELLE_VERSION="${PROJECT_VERSION}")

add_executable(gyrelle linux_program/main.cpp)
target_link_libraries(gyrelle PRIVATE gyrelle_program)
include(cmake/LinuxInstall.cmake)

add_subdirectory(tests)
if(NOT GYRELLE_SANITIZE)
    find_package(benchmark QUIET)
    if(benchmark_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/bench/CMakeLists.txt)
        add_subdirectory(bench)
    endif()
endif()
