// The vortex's outer rings are drawn with the minification filter set to
// the magnification filter, where the texture is magnified anyway. These
// tests draw the funnel both ways, with the list and plainly as thirty
// strips under the texture's own filters, and demand the very same pixels
// in windows of many shapes, over cloud pictures of many frames.
#include "scene/cloud_texture.h"
#include "scene/vortex_mesh.h"
#include "settings/settings_store.h"

#include "render_helpers.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// A texture as the scene's main texture is set up, holding the current
// cloud picture.
GLuint cloudPictureTexture()
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, firstScene.cloudTexture.pixels());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    return texture;
}

// The funnel as thirty plain strips under the texture's own filters, or
// (`mesh` given) through the list.
void drawFunnel(GLuint texture, const VortexMesh* mesh = nullptr)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    if (mesh != nullptr)
        glCallList(mesh->listName);
    for (int i = 0; i < VortexMesh::stripCount && mesh == nullptr; ++i) {
        glBegin(GL_QUAD_STRIP);
        glNormal3d(0, 0, 1);
        for (int j = 0; j < VortexMesh::stepsPerStrip; ++j) {
            for (int edge = 0; edge < 2; ++edge) {
                const VortexVertex v = VortexMesh::vertex(i, j, edge);
                glTexCoord2d(v.s, v.t);
                glVertex2d(v.x, v.y);
            }
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    glFinish();
}

// Opens a scene of the given size, lets the clouds flow for a while, then
// compares the two drawings over several cloud pictures, in a child. Also
// checks how many rings the list drew with the one filter: none in a 1x1
// preview, some but not all in the common sizes of 640 x 480 and up.
std::string compareFunnels(int width, int height)
{
    return inChild([=] {
        std::ostringstream out;
        settingsStore.set(Setting::intensivityOfLightnings, 0);
        settingsStore.set(Setting::meteoritesState, 0);
        SceneWindow scene(width, height, static_cast<uint32_t>(width * 31 + height));
        scene.frames(40);

        const GLuint texture = cloudPictureTexture();
        VortexMesh mesh;
        mesh.build(texture);
        for (int round = 0; round < 3; ++round) {
            for (int frame = 0; frame < 17; ++frame)
                firstScene.cloudTexture.advance();
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, firstScene.cloudTexture.pixels());

            drawFunnel(mesh.textureName, &mesh);
            const Picture listed = scene.picture();
            GLint minFilter = 0;
            glBindTexture(GL_TEXTURE_2D, texture);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
            if (minFilter != GL_NEAREST)
                out << "the list left the minification filter at " << minFilter << "\n";

            drawFunnel(texture);
            const std::string diff = pictureDifference(listed, scene.picture(), "listed", "plain");
            if (!diff.empty())
                out << "round " << round << ": " << diff << "\n";
        }
        const int rings = VortexMesh::magnifiedSteps();
        const bool common = width >= 640 && height >= 480;
        if (width == 1 ? rings != 0 : common && (rings <= 0 || rings >= VortexMesh::stepsPerStrip - 1))
            out << rings << " rings with the one filter\n";
        return out.str();
    });
}

}  // namespace

// Full HD and the common 4:3 sizes: most of the view is magnified texture,
// the centre minified, and the seam between the two parts of the list lies
// in plain view. Odd shapes stretch the texture more one way than the
// other; a 1x1 preview is so small that every ring is minified and the
// list is drawn as it was.
TEST(VortexFiltersRender, ListedFunnelMatchesPlainStrips)
{
    const int sizes[][2] = {{1920, 1080}, {1024, 768}, {640, 480}, {152, 112}, {333, 251}, {2400, 180}, {90, 1300}, {1, 1}};
    for (const auto& size : sizes)
        EXPECT_EQ(compareFunnels(size[0], size[1]), "") << size[0] << "x" << size[1];
}
