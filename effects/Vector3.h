// A point or direction in the 3D scene, in double precision.
#pragma once

struct Vector3 {
    Vector3() = default;
    Vector3(double x, double y, double z) : x(x), y(y), z(z) {}
    virtual ~Vector3() = default;
    Vector3(const Vector3&) = default;
    Vector3& operator=(const Vector3&) = default;

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};
