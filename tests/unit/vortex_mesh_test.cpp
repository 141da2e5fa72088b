#include "scene/vortex_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(VortexMesh, RimAndCentreRadii)
{
    for (int strip = 0; strip < VortexMesh::stripCount; ++strip) {
        const VortexVertex rim = VortexMesh::vertex(strip, 0, 0);
        const VortexVertex centre = VortexMesh::vertex(strip, VortexMesh::stepsPerStrip - 1, 1);
        EXPECT_NEAR(std::hypot(rim.x, rim.y), 3.0, 1e-15);
        EXPECT_NEAR(std::hypot(centre.x, centre.y), 0.0026, 0.00005);
        EXPECT_EQ(rim.s, 0.0);
        EXPECT_NEAR(centre.s, 1.0, 1e-15);
    }
}

// Adjacent strips must meet edge to edge, or the funnel shows cracks.
TEST(VortexMesh, AdjacentStripsShareTheirEdges)
{
    for (int strip = 0; strip + 1 < VortexMesh::stripCount; ++strip) {
        for (int step = 0; step < VortexMesh::stepsPerStrip; ++step) {
            const VortexVertex outer = VortexMesh::vertex(strip, step, 1);
            const VortexVertex inner = VortexMesh::vertex(strip + 1, step, 0);
            EXPECT_EQ(outer.s, inner.s);
            EXPECT_NEAR(outer.t, inner.t, 1e-15);
            EXPECT_NEAR(outer.x, inner.x, 1e-12);
            EXPECT_NEAR(outer.y, inner.y, 1e-12);
        }
    }
}

// Radii shrink by one fixed ratio per step, and t covers one turn.
TEST(VortexMesh, RadiusIsGeometricAndTextureCoversOneTurn)
{
    double previous = 3.0;
    for (int step = 1; step < VortexMesh::stepsPerStrip; ++step) {
        const VortexVertex v = VortexMesh::vertex(0, step, 0);
        const double r = std::hypot(v.x, v.y);
        EXPECT_NEAR(r / previous, 0.7905604933333333, 1e-12);
        previous = r;
    }
    EXPECT_NEAR(VortexMesh::vertex(VortexMesh::stripCount - 1, 0, 1).t, 1.0, 1e-15);
}
