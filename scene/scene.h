// One whole vortex: the six elements, their textures and display lists, and
// the part of the window it is drawn in. The scene window makes one for each
// monitor its full-screen window covers, and one filling any other window.
//
// Life cycle, every call but the constructor with the window's rendering
// context current and the projection, camera and fixed state already set:
// - constructed with no GL call: the cloud texture colours itself from the
//   settings store, and the meteor field draws its first countdown from the
//   random source;
// - create once, with its viewport and the desktop that lay under it;
// - drawFrame once per frame (the window swaps buffers once, after all of
//   its scenes have drawn);
// - resize whenever its rectangle of the window changes;
// - release when the window closes or its monitor goes: it deletes its
//   textures and display lists from the context, which the scenes of a
//   window share and which may live on.
#pragma once

#include "../platform/platform.h"
#include "cloud_texture.h"
#include "drift_particles.h"
#include "lightning_flashes.h"
#include "meteor_field.h"
#include "screen_shards.h"
#include "vortex_mesh.h"

#include <memory>

// A rectangle of the window in OpenGL's window coordinates: pixels, from the
// window's lower-left corner.
struct SceneViewport {
    int x;
    int y;
    int width;
    int height;
};

// The side in pixels of the black dot that fills the hole at the centre of
// the disc, for a viewport of width x height: 2 in even-sided viewports up
// to 1024 x 768, growing with the viewport beyond, so that no pixel of the
// hole is left uncovered at any size.
double centreDotSize(int width, int height);

class Scene {
public:
    // The elements are built in the order of their members below.
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Makes the textures and sets every element up. `desktop` is the
    // picture under the viewport at its size, or holds none, in which case
    // the front buffer under the viewport is read. Without `withOpening` no
    // shard is cut: a scene added while the saver runs has no desktop left
    // to shatter.
    void create(const Picture& desktop, const SceneViewport& viewport, bool withOpening = true);
    // Draws the scene's part of one frame, without presenting it; the
    // scissor box is its viewport, for the window to switch on.
    void drawFrame();
    // Moves the scene to another rectangle; the next frame draws there. A
    // new size rebuilds the vortex's list for it.
    void resize(const SceneViewport& viewport);
    void release();

    const SceneViewport& viewport() const { return viewport_; }

    CloudTexture cloudTexture;
    DriftParticles driftParticles;
    LightningFlashes lightningFlashes;
    ScreenShards screenShards;
    MeteorField meteorField;

private:
    GLuint mainTexture_ = 0;
    std::unique_ptr<VortexMesh> vortexMesh_;
    SceneViewport viewport_{0, 0, 0, 0};
    GLfloat centreDotSize_ = 2.0f;
    // The blend function is the context's, shared by the window's scenes,
    // while each scene's first meteor flare turns its own to additive for
    // good: each scene keeps its own and puts it back before drawing.
    GLint blendDestination_ = GL_ONE_MINUS_SRC_ALPHA;
};
