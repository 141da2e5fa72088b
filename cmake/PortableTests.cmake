# The unit tests that need no display, OpenGL, X or GTK, built on their own
# for processors where only a cross compiler and an emulator are at hand
# (64-bit ARM): the cloud texture bit for bit, the random source, the shards
# and the settings store on the registry file.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The scene's headers name OpenGL's types; the headers are the same for
# every processor, but a cross compiler does not search the host's folder.
set(GYRELLE_GL_HEADERS ${CMAKE_BINARY_DIR}/gl-headers)
foreach(header GL/gl.h GL/glext.h GL/glu.h KHR/khrplatform.h)
    configure_file(/usr/include/${header} ${GYRELLE_GL_HEADERS}/${header} COPYONLY)
endforeach()

add_library(gyrelle_portable STATIC
    ${PROJECT_SOURCE_DIR}/scene/cloud_texture.cpp
    ${PROJECT_SOURCE_DIR}/scene/screen_shards.cpp
    ${PROJECT_SOURCE_DIR}/platform/picture.cpp
    ${PROJECT_SOURCE_DIR}/scene/vectors_and_random.cpp
    ${PROJECT_SOURCE_DIR}/settings/settings_store.cpp
    ${PROJECT_SOURCE_DIR}/platform/linux/registry/registry_file.cpp
    ${PROJECT_SOURCE_DIR}/platform/linux/registry/registry_text.cpp
    ${PROJECT_SOURCE_DIR}/platform/linux/registry/text_codec.cpp)
target_include_directories(gyrelle_portable PUBLIC ${PROJECT_SOURCE_DIR})
target_include_directories(gyrelle_portable SYSTEM PUBLIC ${GYRELLE_GL_HEADERS})

add_subdirectory(tests)
