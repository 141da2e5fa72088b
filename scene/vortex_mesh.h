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
    // list. Needs a current rendering context, with the viewport and
    // matrices the mesh will be drawn with: the rings where the texture is
    // surely magnified are drawn first, with the texture's minification
    // filter set to its magnification filter, which gives the same pixels
    // for less work; the list then restores the filter for the rest.
    void build(GLuint texture);

    // Vertex `edge` (0: first edge, 1: second) of step j of strip i, as the
    // display list holds it.
    static VortexVertex vertex(int strip, int step, int edge);

    // How many rings, from the rim inward, show the texture magnified at
    // least twice over in the current viewport: the first rings the list
    // draws with the minification filter set to the magnification filter.
    static int magnifiedSteps();

    GLuint textureName = 0;
    GLuint listName = 0;
};
