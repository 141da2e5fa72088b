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
    using M = VortexMesh;
    for (int strip = 0; strip < M::stripCount; ++strip) {
        const VortexVertex rim = M::vertex(strip, 0, 0), centre = M::vertex(strip, M::stepsPerStrip - 1, 1);
        EXPECT_NEAR(std::hypot(rim.x, rim.y), 3.0, 1e-15);
        EXPECT_NEAR(std::hypot(centre.x, centre.y), 0.0026, 0.00005);
        EXPECT_TRUE(rim.s == 0.0 && std::fabs(centre.s - 1.0) < 1e-15) << strip;
        for (int step = 1; step < M::stepsPerStrip; ++step) {
            const VortexVertex v = M::vertex(strip, step, 0), before = M::vertex(strip, step - 1, 0);
            EXPECT_NEAR(std::hypot(v.x, v.y) / std::hypot(before.x, before.y), 0.7905604933333333, 1e-12);
            const VortexVertex outer = M::vertex(strip, step, 1), inner = M::vertex((strip + 1) % M::stripCount, step, 0);
            EXPECT_TRUE(strip + 1 == M::stripCount || (outer.s == inner.s && std::fabs(outer.t - inner.t) < 1e-15 &&
                                                       std::hypot(outer.x - inner.x, outer.y - inner.y) < 1e-12))
                << strip << "," << step;
        }
    }
    EXPECT_NEAR(M::vertex(M::stripCount - 1, 0, 1).t, 1.0, 1e-15);
}
