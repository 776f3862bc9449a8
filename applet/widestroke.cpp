// Curves drawn with a pen far wider than the frame. The platform builds the
// whole stroke of such a pen before clipping it, at a cost that grows with
// the square of the width (minutes at the widest pens, while the show
// ignores Close). What the frame shows of the stroke is every pixel within
// half the pen's width of the curve's path, and no more: here the path is
// flattened and each row of the frame is painted in the spans that lie that
// near it, so the work is bounded by the frame and the path's pieces, never
// by the pen.
#include "applet/internal.h"
#include "common/owners.h"
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

struct Spot {
    double x, y;
};

constexpr double PI = 3.14159265358979323846;

// Enough pieces that no chord strays half a pixel from the curve, and few
// enough that every row meets them all in a moment.
int Pieces(double radius)
{
    return (int)std::clamp(PI * std::sqrt(std::max(radius, 1.0)) * 1.5, 16.0, 1024.0);
}

// The points of an elliptic arc of the box's ellipse, from parameter `from`
// counter-clockwise (on the screen, y growing downwards) through `sweep`.
void EllipseArc(std::vector<Spot> *path, double cx, double cy, double rx, double ry, double from, double sweep)
{
    int n = std::max(2, (int)std::ceil(Pieces(std::max(rx, ry)) * sweep / (2 * PI)));
    for (int i = 0; i <= n; i++) {
        double t = from + sweep * i / n;
        path->push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
}

// The ellipse parameter of the ray from the centre through a radial point.
double Parameter(double cx, double cy, double rx, double ry, POINT p)
{
    double dx = p.x - cx, dy = cy - p.y;
    return dx == 0 && dy == 0 ? 0 : std::atan2(dy * std::max(rx, 1e-9), dx * std::max(ry, 1e-9));
}

// The x range of row y within `r` of the segment a-b: the union of the two
// end discs and the band between them, which is convex, so one interval.
bool RowSpan(Spot a, Spot b, double y, double r, double *lo, double *hi)
{
    bool any = false;
    auto take = [&](double l, double h) {
        if (l > h)
            return;
        *lo = any ? std::min(*lo, l) : l;
        *hi = any ? std::max(*hi, h) : h;
        any = true;
    };
    for (Spot e : {a, b}) {
        double dy = y - e.y;
        if (dy * dy <= r * r) {
            double half = std::sqrt(r * r - dy * dy);
            take(e.x - half, e.x + half);
        }
    }
    double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length > 0) {
        // Along: 0 <= ((x - a.x) dx + (y - a.y) dy) / length^2 <= 1; across:
        // |(x - a.x) dy - (y - a.y) dx| / length <= r. Each linear in x.
        double l = -INFINITY, h = INFINITY;
        auto within = [&](double k, double c, double from, double to) { // from <= k x + c <= to
            if (k == 0) {
                if (c < from || c > to)
                    l = INFINITY, h = -INFINITY;
                return;
            }
            double u = (from - c) / k, v = (to - c) / k;
            l = std::max(l, std::min(u, v));
            h = std::min(h, std::max(u, v));
        };
        within(dx, -a.x * dx + (y - a.y) * dy, 0, length * length);
        within(dy, -a.x * dy - (y - a.y) * dx, -r * length, r * length);
        take(l, h);
    }
    return any;
}

// Paints every pixel of the frame within `r` of the path, and inside `clip`.
void PaintNear(HDC dc, const std::vector<Spot> &path, bool closed, double r, RECT clip, HBRUSH brush)
{
    std::vector<std::pair<double, double>> spans;
    size_t segments = path.size() - (closed ? 0 : 1);
    for (LONG y = clip.top; y < clip.bottom; y++) {
        spans.clear();
        for (size_t i = 0; i < segments; i++) {
            Spot a = path[i], b = path[(i + 1) % path.size()];
            double lo, hi;
            if (std::min(a.y, b.y) - r <= y && std::max(a.y, b.y) + r >= y && RowSpan(a, b, y, r, &lo, &hi))
                spans.push_back({lo, hi});
        }
        std::sort(spans.begin(), spans.end());
        for (size_t i = 0; i < spans.size();) {
            double lo = spans[i].first, hi = spans[i].second;
            for (i++; i < spans.size() && spans[i].first <= hi + 1; i++)
                hi = std::max(hi, spans[i].second);
            RECT row = {(LONG)std::max<double>(clip.left, std::ceil(lo)), y,
                        (LONG)std::min<double>(clip.right, std::floor(hi) + 1), y + 1};
            if (row.left < row.right)
                FillRect(dc, &row, brush);
        }
    }
}

} // namespace

bool WideStroke(APPLET *a, HDC dc, WIDEFIGURE figure, const RECT &box, const POINT *points, int count)
{
    LOGPEN pen{};
    if (!a->pen || GetObjectA(a->pen, sizeof pen, &pen) != (int)sizeof pen || pen.lopnWidth.x <= WIDEPEN ||
        pen.lopnStyle != PS_INSIDEFRAME)
        return false;
    const int64_t width = pen.lopnWidth.x;
    int fw, fh;
    FrameSize(a, &fw, &fh);
    RECT clip = {0, 0, fw, fh};
    std::vector<Spot> path;
    bool closed = figure != WIDE_ARC && figure != WIDE_BEZIER;
    if (figure == WIDE_BEZIER) {
        if (count < 4 || (count - 1) % 3)
            return false; // the platform draws nothing, quickly
        for (int i = 0; i + 3 < count; i += 3) {
            const POINT *p = points + i;
            double span = std::abs(p[3].x - p[0].x) + std::abs(p[3].y - p[0].y) + std::abs(p[1].x - p[0].x) +
                          std::abs(p[2].y - p[1].y) + std::abs(p[2].x - p[1].x) + std::abs(p[1].y - p[0].y);
            int n = Pieces(span);
            for (int k = i ? 1 : 0; k <= n; k++) {
                double t = (double)k / n, s = 1 - t;
                double w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
                path.push_back({w0 * p[0].x + w1 * p[1].x + w2 * p[2].x + w3 * p[3].x,
                                w0 * p[0].y + w1 * p[1].y + w2 * p[2].y + w3 * p[3].y});
            }
        }
    } else {
        // An inside-frame pen keeps its stroke within the box: the path is
        // the box shrunk by half the width, down to its middle line.
        RECT b = {std::min(box.left, box.right), std::min(box.top, box.bottom), std::max(box.left, box.right),
                  std::max(box.top, box.bottom)};
        IntersectRect(&clip, &clip, &b);
        double l = b.left + (double)(width / 2), t = b.top + (double)(width / 2);
        double r = b.right - (double)((width - 1) / 2), bo = b.bottom - (double)((width - 1) / 2);
        if (l > r)
            l = r = (b.left + b.right) / 2.0;
        if (t > bo)
            t = bo = (b.top + b.bottom) / 2.0;
        r -= 1, bo -= 1; // the figure's last column and row are its right and bottom less one
        double cx = (l + r) / 2, cy = (t + bo) / 2, rx = std::max(0.0, (r - l) / 2), ry = std::max(0.0, (bo - t) / 2);
        if (figure == WIDE_ELLIPSE) {
            EllipseArc(&path, cx, cy, rx, ry, 0, 2 * PI);
        } else if (figure == WIDE_ROUNDRECT) {
            double ex = std::min<double>(std::abs(points[0].x) / 2.0, rx), ey = std::min<double>(std::abs(points[0].y) / 2.0, ry);
            const Spot corners[4] = {{r - ex, t + ey}, {l + ex, t + ey}, {l + ex, bo - ey}, {r - ex, bo - ey}};
            for (int k = 0; k < 4; k++)
                EllipseArc(&path, corners[k].x, corners[k].y, ex, ey, k * PI / 2, PI / 2);
        } else {
            double from = Parameter(cx, cy, rx, ry, points[0]), to = Parameter(cx, cy, rx, ry, points[1]);
            double sweep = to - from;
            while (sweep <= 0)
                sweep += 2 * PI;
            EllipseArc(&path, cx, cy, rx, ry, from, sweep);
            if (figure == WIDE_PIE)
                path.push_back({cx, cy});
        }
    }
    if (clip.left < clip.right && clip.top < clip.bottom && !path.empty()) {
        if (path.size() == 1)
            path.push_back(path[0]);
        GdiObject<HBRUSH> brush(CreateSolidBrush(GetNearestColor(dc, pen.lopnColor)));
        if (brush.get())
            PaintNear(dc, path, closed, width / 2.0, clip, brush);
    }
    return true;
}
