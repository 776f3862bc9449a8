// Where the platform's arcs start and end on their ellipse's pixels.
#include "applet/internal.h"
#include <algorithm>
#include <cmath>
#include <numbers>

// The platform draws an arc as the pixels of its ellipse, a step from each
// to the next, that lie between the pixel where the start ray meets it and
// the one where the end ray does, both left out. A step goes one row
// where the curve is steeper than a diagonal, one column elsewhere, so the
// pixels are counted by rows up to the diagonal and by columns after it.
int ArcStepsBetween(double rx, double ry, double from, double sweep)
{
    constexpr double PI = std::numbers::pi;
    const double diagonal = std::atan2(ry, rx);
    const double rows = ry * std::sin(diagonal), quarter = rows + rx * std::cos(diagonal);
    // The steps from the rightmost pixel to where the parameter u meets it.
    auto along = [&](double u) {
        u = std::fmod(u, 2 * PI);
        if (u < 0)
            u += 2 * PI;
        int k = std::min(3, (int)(u / (PI / 2)));
        double v = u - k * PI / 2;
        if (k % 2)
            v = PI / 2 - v;
        double part = v <= diagonal ? ry * std::sin(v) : rows + rx * (std::cos(diagonal) - std::cos(v));
        return k * quarter + (k % 2 ? quarter - part : part);
    };
    const double total = std::round(4 * quarter);
    if (total < 2 || sweep >= 2 * PI)
        return 2;
    double start = std::ceil(along(from) - 1e-6), end = std::ceil(along(from + sweep) - 1e-6);
    double steps = std::fmod(end - start + total, total);
    return steps < 2 ? (int)steps : 2;
}
