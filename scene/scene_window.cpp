#include "scene_window.h"

#include "cloud_texture.h"
#include "drift_particles.h"
#include "lightning_flashes.h"
#include "meteor_field.h"
#include "screen_shards.h"
#include "settings/settings_store.h"
#include "vectors_and_random.h"
#include "vortex_mesh.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <new>

// The process-wide objects, in their order of construction: the settings
// come first because the cloud texture colours itself from them when it is
// built. Kept in this one file so that C++ guarantees the order. None is
// ever destroyed: the host ends the process directly. The meteor field draws
// its first countdown here, before the generator is seeded.
const SettingEntry settingDefaults[7] = {
    {"DirectionOfClouds", 0},
    {"IntensivityOfLightnings", 30},
    {"LightColor", 138842},
    {"ProperColor", 16637612},
    {"Meteorites_ColorOfTile", 16777215},
    {"Meteorites_State", 1},
    {"", 0},
};
SettingsStore settingsStore("Gyrelle Screen Saver", settingDefaults);
CloudTexture cloudTexture(256, 256);
DriftParticles driftParticles;
LightningFlashes lightningFlashes;
ScreenShards screenShards;
MeteorField meteorField;

namespace {

struct SceneState {
    HDC deviceContext = nullptr;
    HGLRC renderingContext = nullptr;
    GLuint mainTexture = 0;
    VortexMesh* vortexMesh = nullptr;
    GLfloat centreDotSize = 2.0f;
    bool fixedSeed = false;
    uint32_t seed = 0;
};

SceneState scene;

void createScene(HWND window)
{
    seedRandom(scene.fixedSeed ? scene.seed : static_cast<uint32_t>(std::time(nullptr)));
    scene.deviceContext = GetDC(window);

    PIXELFORMATDESCRIPTOR format{};
    format.nSize = 40;
    format.nVersion = 1;
    format.dwFlags = PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 24;
    format.cDepthBits = 8;
    format.iLayerType = PFD_MAIN_PLANE;
    SetPixelFormat(scene.deviceContext, ChoosePixelFormat(scene.deviceContext, &format), &format);

    scene.renderingContext = wglCreateContext(scene.deviceContext);
    if (scene.renderingContext == nullptr) {
        MessageBoxA(window, "Screen saver can't set an appropriate OpenGL mode", "Open GL error", MB_OK);
        PostQuitMessage(-1);
        return;
    }
    wglMakeCurrent(scene.deviceContext, scene.renderingContext);
    const Picture desktop = takeDesktopPicture(window);

    // The aspect stays 1.3333333 whatever the window's shape, and the
    // viewport stays the one the window had at the first make-current.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(21.0, 1.3333333, 0.01, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 4, 0, 0, 0, 0, 1, 0);

    glEnable(GL_AUTO_NORMAL);
    glDisable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    scene.centreDotSize = static_cast<GLfloat>(centreDotSize(viewport[2], viewport[3]));

    // Before anything is drawn: without a captured picture the front buffer
    // is read, and it still shows whatever the system left there.
    screenShards.setUp(desktop);

    glGenTextures(1, &scene.mainTexture);
    glBindTexture(GL_TEXTURE_2D, scene.mainTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    SetTimer(window, 0, 30, nullptr);
    cloudTexture.setUp();

    scene.vortexMesh = new (std::nothrow) VortexMesh;
    if (scene.vortexMesh != nullptr)
        scene.vortexMesh->build(scene.mainTexture);
    lightningFlashes.setUp();
    meteorField.setUp();
}

// Runs for both WM_CLOSE and WM_DESTROY; the second finds nothing left.
void releaseScene(HWND window)
{
    delete scene.vortexMesh;
    scene.vortexMesh = nullptr;
    if (scene.renderingContext != nullptr) {
        wglDeleteContext(scene.renderingContext);
        scene.renderingContext = nullptr;
    }
    if (scene.deviceContext != nullptr) {
        ReleaseDC(window, scene.deviceContext);
        scene.deviceContext = nullptr;
    }
}

}  // namespace

void renderFrame()
{
    if (scene.renderingContext == nullptr)
        return;

    // The frame is never cleared: the disc covers the view, and this dot
    // fills the small hole at its centre.
    glColor3d(0, 0, 0);
    glPointSize(scene.centreDotSize);
    glBegin(GL_POINTS);
    glVertex2d(0, 0);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, scene.mainTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, cloudTexture.pixels());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // After the upload: a frame shows the image computed in the frame before.
    cloudTexture.advance();

    if (scene.vortexMesh != nullptr) {
        glBindTexture(GL_TEXTURE_2D, scene.vortexMesh->textureName);
        glEnable(GL_TEXTURE_2D);
        glCallList(scene.vortexMesh->listName);
        glDisable(GL_TEXTURE_2D);
    }

    driftParticles.drawFrame();
    screenShards.drawFrame();
    lightningFlashes.drawFrame();
    // Read every frame; while it is 0 the meteors stay frozen as they are.
    if (settingValue("Meteorites_State") != 0)
        meteorField.drawFrame();

    SwapBuffers(scene.deviceContext);
}

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createScene(window);
        break;
    case WM_TIMER:
        renderFrame();
        break;
    case WM_SIZE:
        // A preview that follows its parent's new size draws all of it.
        if (scene.renderingContext != nullptr)
            glViewport(0, 0, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        releaseScene(window);
        break;
    default:
        break;
    }
    return defaultSaverProc(window, message, wParam, lParam);
}

// The hole inside the disc's innermost ring spans about 2.7 pixels at
// 1024 x 768 and grows with the viewport; a pixel whose centre lies in it is
// covered by nothing but the dot, and would gather the light of every
// additive layer. The dot must cover every such pixel, with the hole's
// radius widened by a tenth for margin. Its side is even: a point of even
// size is centred on the pixel corner nearest its position, which is the
// view's centre itself where the window's side is even; where it is odd,
// the centre lies mid-pixel, the dot sits half a pixel off and must reach
// half a pixel further. Even-sided windows up to 1024 x 768 keep the 2
// pixels, their hole's widened radius staying under 1.5 pixels.
double centreDotSize(int width, int height)
{
    const VortexVertex inner = VortexMesh::vertex(0, VortexMesh::stepsPerStrip - 1, 0);
    const double reach = 1.1 * std::sqrt(inner.x * inner.x + inner.y * inner.y);
    // Half the view's height on the plane z = 0, seen from the eye at z = 4
    // with the field of view of 21 degrees; the width follows the fixed
    // aspect, not the window's.
    const double halfHeight = 4.0 * std::tan(10.5 * 3.141592653589793 / 180.0);
    const double across = reach * 0.5 * width / (halfHeight * 1.3333333) + 0.5 * (width % 2);
    const double up = reach * 0.5 * height / halfHeight + 0.5 * (height % 2);
    // The pixel centres within `r` of a corner lie within the even square
    // of side 2 * floor(r + 0.5) around it.
    return std::max(2.0, 2.0 * std::floor(std::max(across, up) + 0.5));
}

BOOL dialogClassesHook(HINSTANCE)
{
    return TRUE;
}

void useFixedSceneSeed(uint32_t seed)
{
    scene.fixedSeed = true;
    scene.seed = seed;
}
