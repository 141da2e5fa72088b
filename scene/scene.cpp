#include "scene.h"

#include "settings/settings_store.h"

#include <algorithm>
#include <cmath>
#include <new>

Scene::Scene() : cloudTexture(256, 256) {}

void Scene::create(const Picture& desktop, const SceneViewport& viewport, bool withOpening)
{
    resize(viewport);
    glViewport(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
    glBlendFunc(GL_SRC_ALPHA, static_cast<GLenum>(blendDestination_));

    // Before anything is drawn: without a captured picture the front buffer
    // is read, and it still shows whatever the system left there.
    if (withOpening)
        screenShards.setUp(desktop);

    glGenTextures(1, &mainTexture_);
    glBindTexture(GL_TEXTURE_2D, mainTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    cloudTexture.setUp();
    vortexMesh_.reset(new (std::nothrow) VortexMesh);
    if (vortexMesh_ != nullptr)
        vortexMesh_->build(mainTexture_);
    lightningFlashes.setUp();
    meteorField.setUp();
}

void Scene::drawFrame()
{
    glViewport(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
    glScissor(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
    glBlendFunc(GL_SRC_ALPHA, static_cast<GLenum>(blendDestination_));

    // The frame is never cleared: the disc covers the view, and this dot
    // fills the small hole at its centre.
    glColor3d(0, 0, 0);
    glPointSize(centreDotSize_);
    glBegin(GL_POINTS);
    glVertex2d(0, 0);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, mainTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, cloudTexture.pixels());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    // After the upload: a frame shows the image computed in the frame before.
    cloudTexture.advance();

    if (vortexMesh_ != nullptr) {
        glBindTexture(GL_TEXTURE_2D, vortexMesh_->textureName);
        glEnable(GL_TEXTURE_2D);
        glCallList(vortexMesh_->listName);
        glDisable(GL_TEXTURE_2D);
    }

    driftParticles.drawFrame();
    screenShards.drawFrame();
    lightningFlashes.drawFrame();
    // Read every frame; while it is 0 the meteors stay frozen as they are.
    if (settingValue(Setting::meteoritesState) != 0)
        meteorField.drawFrame();

    glGetIntegerv(GL_BLEND_DST, &blendDestination_);
}

void Scene::resize(const SceneViewport& viewport)
{
    const bool resized = viewport.width != viewport_.width || viewport.height != viewport_.height;
    viewport_ = viewport;
    centreDotSize_ = static_cast<GLfloat>(centreDotSize(viewport.width, viewport.height));
    // The list's filters were chosen for the viewport it was built in.
    if (resized && vortexMesh_ != nullptr) {
        glViewport(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
        glDeleteLists(vortexMesh_->listName, 1);
        vortexMesh_->build(mainTexture_);
    }
}

void Scene::release()
{
    // A monitor's scene can go while the window and its context live on.
    const GLuint textures[] = {mainTexture_, lightningFlashes.lightningGlowTexture(), screenShards.shardTexture()};
    glDeleteTextures(3, textures);
    if (meteorField.circleList != 0)
        glDeleteLists(meteorField.circleList, 1);
    if (vortexMesh_ != nullptr)
        glDeleteLists(vortexMesh_->listName, 1);
    mainTexture_ = 0;
    vortexMesh_.reset();
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
