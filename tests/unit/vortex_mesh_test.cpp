// The vortex mesh's vertices, which only the pictures show: the soak's
// fingerprint of a long run does not see them.
#include "scene/vortex_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

// Guards the funnel's shape: rim at radius 3 and s 0, the centre at about
// 0.0026 and s 1, radii shrinking by one fixed ratio per step, t covering
// one turn, and adjacent strips meeting edge to edge (or the funnel shows
// cracks).
TEST(VortexMesh, FunnelIsGeometricAndStripsShareTheirEdges)
{
    for (int strip = 0; strip < VortexMesh::stripCount; ++strip) {
        const VortexVertex rim = VortexMesh::vertex(strip, 0, 0);
        const VortexVertex centre = VortexMesh::vertex(strip, VortexMesh::stepsPerStrip - 1, 1);
        EXPECT_NEAR(std::hypot(rim.x, rim.y), 3.0, 1e-15);
        EXPECT_NEAR(std::hypot(centre.x, centre.y), 0.0026, 0.00005);
        EXPECT_EQ(rim.s, 0.0);
        EXPECT_NEAR(centre.s, 1.0, 1e-15);
        for (int step = 0; step < VortexMesh::stepsPerStrip; ++step) {
            const VortexVertex v = VortexMesh::vertex(strip, step, 0);
            if (step > 0) {
                const VortexVertex before = VortexMesh::vertex(strip, step - 1, 0);
                EXPECT_NEAR(std::hypot(v.x, v.y) / std::hypot(before.x, before.y), 0.7905604933333333, 1e-12);
            }
            if (strip + 1 < VortexMesh::stripCount) {
                const VortexVertex outer = VortexMesh::vertex(strip, step, 1);
                const VortexVertex inner = VortexMesh::vertex(strip + 1, step, 0);
                EXPECT_EQ(outer.s, inner.s);
                EXPECT_NEAR(outer.t, inner.t, 1e-15);
                EXPECT_NEAR(outer.x, inner.x, 1e-12);
                EXPECT_NEAR(outer.y, inner.y, 1e-12);
            }
        }
    }
    EXPECT_NEAR(VortexMesh::vertex(VortexMesh::stripCount - 1, 0, 1).t, 1.0, 1e-15);
}
