// The vectors' division, whose rounding the soak's fingerprint (to a
// millionth) cannot see; the generator's sequence is in that fingerprint.
#include "scene/vectors_and_random.h"

#include <gtest/gtest.h>

#include <cmath>

// Guards the division: through one reciprocal (1/3 times x, not x/3), and
// by zero it gives non-finite values without failing.
TEST(Vectors, DivideByMultipliesByTheReciprocal)
{
    Vector3 v;
    v.set(5, 7, 10);  // each rounds differently divided by 3
    v.divideBy(3.0);
    const double r = 1.0 / 3.0;
    EXPECT_TRUE(v.x == 5 * r && v.y == 7 * r && v.z == 10 * r);
    v.set(1, 0, -1);
    v.divideBy(0.0);
    EXPECT_TRUE(std::isinf(v.x) && std::isnan(v.y) && std::isinf(v.z));
}
