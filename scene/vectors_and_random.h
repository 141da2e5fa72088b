// Plane and space vectors of doubles, and the scene's only random source.
//
// The vectors have no constructor that sets a value: a fresh one holds
// whatever its storage held, and its owner calls clear, set or assign first.
// There is deliberately no dot product, cross product or normalisation.
#pragma once

#include <cstdint>

struct Vector2 {
    double x;
    double y;

    Vector2& clear();
    Vector2& set(double newX, double newY);
    Vector2 minus(const Vector2& b) const;
    Vector2 plus(const Vector2& b) const;
    Vector2 times(double s) const;
    void scaleBy(double s);
    double length() const;
};

struct Vector3 {
    double x;
    double y;
    double z;

    Vector3& clear();
    Vector3& set(double newX, double newY, double newZ);
    // z becomes 0.0 whatever it held.
    Vector3& setFromVector2(const Vector2& v);
    Vector3& assign(const Vector3& v);
    Vector3 minus(const Vector3& b) const;
    Vector3 plus(const Vector3& b) const;
    Vector3 times(double s) const;
    void addInPlace(const Vector3& b);
    void subtractInPlace(const Vector3& b);
    // Multiplies by 1.0 / s, computed once; s = 0 gives infinities or NaN.
    void divideBy(double s);
    double length() const;
};

// A double in [0.0, 1.0], both ends reachable: the next output n (0..32767)
// of a 15-bit linear congruential generator times the double nearest
// 1/32767. Callers turning it into an index must allow for exactly 1.0.
double randomUnit();

// Sets the generator's 32-bit state. The state is 1 at process start; the
// scene window seeds it once with the time at creation.
void seedRandom(uint32_t seconds);
