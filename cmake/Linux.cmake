# Linux build: the Windows-interface layer on Xlib, GLX, EGL and GTK 3, the
# program, its tests and benchmarks.
find_package(PkgConfig REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL GLX)
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
find_package(GIF REQUIRED)
find_package(GTest REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
find_library(GLU_LIBRARY GLU REQUIRED)

target_link_libraries(gyrelle_core PUBLIC OpenGL::GL ${GLU_LIBRARY})

file(GLOB GYRELLE_PLATFORM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/linux/*.cpp)
list(FILTER GYRELLE_PLATFORM_SOURCES EXCLUDE REGEX "/main\\.cpp$")
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
add_library(gyrelle_platform STATIC ${GYRELLE_PLATFORM_SOURCES} ${GYRELLE_DIALOG_TABLES})
target_include_directories(gyrelle_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gyrelle_platform PUBLIC
    OpenGL::GL OpenGL::EGL OpenGL::GLX ${GLU_LIBRARY} X11::X11 X11::Xext
    PkgConfig::GTK3 PkgConfig::SYSTEMD)

# The recorder and its image files: Linux only, beside the host.
file(GLOB GYRELLE_RECORDER_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/host/recorder*.cpp
    ${PROJECT_SOURCE_DIR}/host/image_files*.cpp)
add_library(gyrelle_recorder STATIC ${GYRELLE_RECORDER_SOURCES})
target_include_directories(gyrelle_recorder PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(gyrelle_recorder PUBLIC gyrelle_core PNG::PNG GIF::GIF)

add_executable(gyrelle platform/linux/main.cpp)
# The layer and the core call each other; let the linker go round.
target_link_libraries(gyrelle PRIVATE
    -Wl,--start-group gyrelle_recorder gyrelle_core gyrelle_platform -Wl,--end-group)
include(cmake/LinuxInstall.cmake)

add_subdirectory(tests)
if(NOT GYRELLE_SANITIZE)
    find_package(benchmark QUIET)
    if(benchmark_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/bench/CMakeLists.txt)
        add_subdirectory(bench)
    endif()
endif()
