#include "vectors_and_random.h"

#include <cmath>

Vector2& Vector2::clear()
{
    x = 0.0;
    y = 0.0;
    return *this;
}

Vector2& Vector2::set(double newX, double newY)
{
    x = newX;
    y = newY;
    return *this;
}

Vector2 Vector2::minus(const Vector2& b) const
{
    return Vector2{x - b.x, y - b.y};
}

Vector2 Vector2::plus(const Vector2& b) const
{
    return Vector2{x + b.x, y + b.y};
}

Vector2 Vector2::times(double s) const
{
    return Vector2{x * s, y * s};
}

void Vector2::scaleBy(double s)
{
    x = x * s;
    y = y * s;
}

double Vector2::length() const
{
    return std::sqrt(x * x + y * y);
}

Vector3& Vector3::clear()
{
    x = 0.0;
    y = 0.0;
    z = 0.0;
    return *this;
}

Vector3& Vector3::set(double newX, double newY, double newZ)
{
    x = newX;
    y = newY;
    z = newZ;
    return *this;
}

Vector3& Vector3::setFromVector2(const Vector2& v)
{
    x = v.x;
    y = v.y;
    z = 0.0;
    return *this;
}

Vector3& Vector3::assign(const Vector3& v)
{
    x = v.x;
    y = v.y;
    z = v.z;
    return *this;
}

Vector3 Vector3::minus(const Vector3& b) const
{
    return Vector3{x - b.x, y - b.y, z - b.z};
}

Vector3 Vector3::plus(const Vector3& b) const
{
    return Vector3{x + b.x, y + b.y, z + b.z};
}

Vector3 Vector3::times(double s) const
{
    return Vector3{x * s, y * s, z * s};
}

void Vector3::addInPlace(const Vector3& b)
{
    x += b.x;
    y += b.y;
    z += b.z;
}

void Vector3::subtractInPlace(const Vector3& b)
{
    x -= b.x;
    y -= b.y;
    z -= b.z;
}

void Vector3::divideBy(double s)
{
    const double r = 1.0 / s;
    x = x * r;
    y = y * r;
    z = z * r;
}

double Vector3::length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

namespace {

// The generator's state; 1 until the scene window seeds it.
uint32_t generatorState = 1;

}  // namespace

double randomUnit()
{
    generatorState = generatorState * 214013u + 2531011u;
    const int n = static_cast<int>((generatorState >> 16) & 0x7FFF);
    // 32767, not 32768: the top output maps to exactly 1.0.
    return static_cast<double>(n) * 3.051850947599719e-05;
}

void seedRandom(uint32_t seconds)
{
    generatorState = seconds;
}
