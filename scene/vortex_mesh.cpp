#include "vortex_mesh.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double radiusRatio = 0.7905604933333333;
// 6.2831852 / 30: thirty strips fall short of a full turn by about 1e-7
// radians, and the seam needs no closing.
constexpr double stripAngle = 0.20943950666666666;
constexpr double coordinateStep = 0.03333333333333333;
constexpr double rimRadius = 3.0;
constexpr double twist = 3.0;
// The cloud image the mesh shows is 256 texels each way.
constexpr double texelsAcross = 256.0;

struct WindowPoint {
    double x;
    double y;
    double w;
};

// Where the current matrices and viewport put a vertex of the plane z = 0.
class WindowMapping {
public:
    WindowMapping()
    {
        double modelview[16];
        double projection[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport_);
        for (int column = 0; column < 4; ++column)
            for (int row = 0; row < 4; ++row) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += projection[k * 4 + row] * modelview[column * 4 + k];
                matrix_[column * 4 + row] = sum;
            }
    }

    WindowPoint operator()(double x, double y) const
    {
        const double clipX = matrix_[0] * x + matrix_[4] * y + matrix_[12];
        const double clipY = matrix_[1] * x + matrix_[5] * y + matrix_[13];
        const double clipW = matrix_[3] * x + matrix_[7] * y + matrix_[15];
        return WindowPoint{viewport_[0] + (clipX / clipW + 1.0) * 0.5 * viewport_[2],
                           viewport_[1] + (clipY / clipW + 1.0) * 0.5 * viewport_[3], clipW};
    }

private:
    double matrix_[16];
    GLint viewport_[4];
};

// The largest scale factor OpenGL lets an implementation use to choose
// between the magnification and minification filters over the triangle
// (a, b, c): m_s + m_t, where m_s is the larger of |ds/dx| and |ds/dy| in
// texels per window pixel, and m_t likewise. Infinite when the mapping is
// not affine or the triangle has no area.
double texelsPerPixel(const VortexVertex* vertices[3], const WindowPoint points[3])
{
    const double w = points[0].w;
    for (int k = 1; k < 3; ++k)
        if (!(std::fabs(points[k].w - w) <= 1e-9 * std::fabs(w)))
            return INFINITY;
    const double dx1 = points[1].x - points[0].x;
    const double dy1 = points[1].y - points[0].y;
    const double dx2 = points[2].x - points[0].x;
    const double dy2 = points[2].y - points[0].y;
    const double area = dx1 * dy2 - dx2 * dy1;
    if (!(std::fabs(area) > 1e-12))
        return INFINITY;
    double sum = 0;
    for (int coordinate = 0; coordinate < 2; ++coordinate) {
        const auto value = [&](int k) {
            return (coordinate == 0 ? vertices[k]->s : vertices[k]->t) * texelsAcross;
        };
        const double d1 = value(1) - value(0);
        const double d2 = value(2) - value(0);
        sum += std::max(std::fabs((d1 * dy2 - d2 * dy1) / area), std::fabs((d2 * dx1 - d1 * dx2) / area));
    }
    return sum;
}

}  // namespace

VortexVertex VortexMesh::vertex(int strip, int step, int edge)
{
    const double r = rimRadius * std::pow(radiusRatio, step);
    const double s = step * coordinateStep;
    const double a = twist * std::pow(s, 3) + strip * stripAngle;
    if (edge == 0)
        return VortexVertex{s, strip * coordinateStep, r * std::cos(a), r * std::sin(a)};
    return VortexVertex{s, (strip + 1) * coordinateStep, r * std::cos(a + stripAngle),
                        r * std::sin(a + stripAngle)};
}

int VortexMesh::magnifiedSteps()
{
    const WindowMapping toWindow;
    for (int step = 0; step + 1 < stepsPerStrip; ++step) {
        for (int strip = 0; strip < stripCount; ++strip) {
            const VortexVertex corners[4] = {vertex(strip, step, 0), vertex(strip, step, 1),
                                             vertex(strip, step + 1, 0), vertex(strip, step + 1, 1)};
            WindowPoint points[4];
            for (int k = 0; k < 4; ++k)
                points[k] = toWindow(corners[k].x, corners[k].y);
            // Every triangle of three corners: whichever diagonal splits the
            // quad, its two halves are among them.
            for (int left = 0; left < 4; ++left) {
                const VortexVertex* triangle[3];
                WindowPoint trianglePoints[3];
                for (int k = 0, n = 0; k < 4; ++k)
                    if (k != left) {
                        triangle[n] = &corners[k];
                        trianglePoints[n++] = points[k];
                    }
                if (!(texelsPerPixel(triangle, trianglePoints) <= 0.5))
                    return step;
            }
        }
    }
    return stepsPerStrip - 1;
}

void VortexMesh::build(GLuint texture)
{
    textureName = texture;

    // Where the texture is surely magnified, OpenGL filters it with the
    // magnification filter whatever the minification filter says; drawing
    // those rings with both filters the same gives the same pixels and
    // spares the rasteriser the choice at every pixel. The texture is
    // magnified at least twice over in those rings, so no approximation of
    // the scale that OpenGL allows can take them for minified.
    GLint boundTexture = 0;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    const bool filtersDiffer = minFilter != magFilter && (minFilter == GL_NEAREST || minFilter == GL_LINEAR);
    const int split = filtersDiffer ? magnifiedSteps() : 0;

    listName = glGenLists(1);
    glNewList(listName, GL_COMPILE);
    const auto drawRings = [](int first, int last) {
        for (int i = 0; i < stripCount; ++i) {
            glBegin(GL_QUAD_STRIP);
            glNormal3d(0, 0, 1);
            for (int j = first; j <= last; ++j) {
                for (int edge = 0; edge < 2; ++edge) {
                    const VortexVertex v = vertex(i, j, edge);
                    glTexCoord2d(v.s, v.t);
                    glVertex2d(v.x, v.y);
                }
            }
            glEnd();
        }
    };
    if (split > 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter);
        drawRings(0, split);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    }
    if (split < stepsPerStrip - 1)
        drawRings(split, stepsPerStrip - 1);
    glEndList();
}
