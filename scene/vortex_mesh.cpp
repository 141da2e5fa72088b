#include "vortex_mesh.h"

#include <cmath>

namespace {

constexpr double radiusRatio = 0.7905604933333333;
// 6.2831852 / 30: thirty strips fall short of a full turn by about 1e-7
// radians, and the seam needs no closing.
constexpr double stripAngle = 0.20943950666666666;
constexpr double coordinateStep = 0.03333333333333333;
constexpr double rimRadius = 3.0;
constexpr double twist = 3.0;

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

void VortexMesh::build(GLuint texture)
{
    textureName = texture;
    listName = glGenLists(1);
    glNewList(listName, GL_COMPILE);
    for (int i = 0; i < stripCount; ++i) {
        glBegin(GL_QUAD_STRIP);
        glNormal3d(0, 0, 1);
        for (int j = 0; j < stepsPerStrip; ++j) {
            for (int edge = 0; edge < 2; ++edge) {
                const VortexVertex v = vertex(i, j, edge);
                glTexCoord2d(v.s, v.t);
                glVertex2d(v.x, v.y);
            }
        }
        glEnd();
    }
    glEndList();
}
