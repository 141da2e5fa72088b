# Windows build (MinGW-w64): Gyrelle.scr on the real Windows interfaces and
# the portable unit tests, which run under Wine.
enable_language(RC)

# The Windows-only sources the core needs: the fault guard and the desktop
# picture for the shards.
target_sources(gyrelle_core PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/fault_guard.cpp
    ${PROJECT_SOURCE_DIR}/platform/win32/desktop_picture.cpp)
target_link_libraries(gyrelle_core PUBLIC opengl32 glu32 comctl32 gdi32 user32 advapi32 uuid)
target_compile_definitions(gyrelle_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
# For the version resource in resources/gyrelle.rc.
target_compile_definitions(gyrelle_core PUBLIC GYRELLE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    GYRELLE_VERSION_MINOR=${PROJECT_VERSION_MINOR} GYRELLE_VERSION_DOTTED=${PROJECT_VERSION})

add_executable(gyrelle_scr WIN32 platform/win32/main.cpp resources/gyrelle.rc)
set_target_properties(gyrelle_scr PROPERTIES OUTPUT_NAME Gyrelle SUFFIX .scr)
target_link_libraries(gyrelle_scr PRIVATE gyrelle_core)
# A screen saver is copied around on its own: no MinGW runtime DLLs.
target_link_options(gyrelle_scr PRIVATE -static -static-libgcc -static-libstdc++)
# windres reads these files itself; CMake cannot see them in the script.
set_source_files_properties(resources/gyrelle.rc PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/resources/gyrelle.ico;${PROJECT_SOURCE_DIR}/resources/logo.bmp;${PROJECT_SOURCE_DIR}/resources/gyrelle.manifest")
include(cmake/WindowsInstaller.cmake)

# One repaint of the colour picker's field on the real GDI; run by hand
# under Wine (bench/README.md).
add_executable(gyrelle_field_repaint_bench bench/windows/field_repaint.cpp)
target_link_libraries(gyrelle_field_repaint_bench PRIVATE gyrelle_core)
target_link_options(gyrelle_field_repaint_bench PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(gyrelle_field_repaint_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_subdirectory(tests)
