// The funnel: a flat, twisted disc in the plane z = 0 whose radius shrinks
// geometrically from 3.0 at the rim to about 0.0026 at the centre, compiled
// once into a display list and drawn with the cloud texture every frame.
#pragma once

#include "../platform/platform.h"

struct VortexVertex {
    double s;
    double t;
    double x;
    double y;
};

class VortexMesh {
public:
    static constexpr int stripCount = 30;
    static constexpr int stepsPerStrip = 31;

    // Stores the texture and compiles the 30 quad strips into a new display
    // list. Needs a current rendering context.
    void build(GLuint texture);

    // Vertex `edge` (0: first edge, 1: second) of step j of strip i, as the
    // display list holds it.
    static VortexVertex vertex(int strip, int step, int edge);

    GLuint textureName = 0;
    GLuint listName = 0;
};
