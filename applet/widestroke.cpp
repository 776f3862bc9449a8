// Outlines drawn with a pen wider than a pixel. The platform builds the
// whole stroke of such a pen as a region before it clips it, at a cost that
// grows with the pen's width times the outline's length wherever the outline
// runs: seconds for one figure far outside the frame, minutes at the widest
// pens, while the show ignores Close. What the frame shows of the stroke is
// every pixel within half the pen of the outline the platform strokes, and
// no more. Here that outline is built as the platform builds it (an inside-
// frame pen's box, the round corners, the arc between its radial points),
// flattened once within one budget of pieces for the whole path; the pieces
// that cannot reach the frame are dropped, and the frame is painted in tiles
// that meet only the parts of the stroke near them. The work is bounded by
// the stroke's edges in the frame and the budget, never by the pen or by
// where the outline runs.
#include "applet/internal.h"
#include "common/owners.h"
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

struct Spot {
    double x, y;
};

// A straight piece of the flattened outline and the platform's stroke of
// it: discs of radius `reach` about its ends moved by `shift` both ways,
// and between them, for a piece of a curve, the band as wide as the discs;
// for a side of the outline, the parallelogram from the piece moved by
// side[0] to the piece moved by side[1], the latter's edge left out.
struct Piece {
    Spot a, b;
    bool curved;
    double reach, shift;
    Spot side[2];
};

// One part of an outline before it is flattened: a straight piece from p[0]
// to p[1]; an arc of the ellipse of centre p[0] and radii p[1], from the
// parameter `from` through `sweep`; a cubic Bezier segment of p[0] to p[3].
struct Curve {
    enum Kind { STRAIGHT, ELLIPTIC, CUBIC } kind;
    Spot p[4];
    double from, sweep;
};

typedef std::vector<Curve> Outline;

constexpr double PI = std::numbers::pi;
// How far a chord may stray from its curve, in pixels.
constexpr double TOLERANCE = 0.25;
// Pieces for the whole path: enough that no chord of a curve within reach
// strays from it, few enough that every row meets them in a moment.
constexpr double BUDGET = 8192;
// How far a piece's stroke strays beyond its reach: a shifted disc by half a
// pixel's diagonal, a slanting side's rounded corners by a diagonal.
constexpr double STRAY = 2;
// Rounding slack where a stroke's edge falls on a pixel's centre.
constexpr double SLACK = 1e-7;

// The pixels that can be seen: the centres from left to right and from top
// to bottom, both ends included.
struct Area {
    double left, top, right, bottom;
};

void Straight(Outline *o, Spot a, Spot b) { o->push_back({Curve::STRAIGHT, {a, b}, 0, 0}); }

// Consecutive points joined, and the last to the first when `closed`.
void Chain(Outline *o, const POINT *points, int count, bool closed)
{
    auto spot = [points](int i) { return Spot{(double)points[i].x, (double)points[i].y}; };
    for (int i = 0; i + 1 < count; i++)
        Straight(o, spot(i), spot(i + 1));
    if (closed && count > 2)
        Straight(o, spot(count - 1), spot(0));
}

// The box an inside-frame pen strokes: the figure's, either way round,
// shrunk by half the width. A pen wider than the figure turns it inside
// out, and the platform strokes it so. False for a box with no area.
bool PenBox(const RECT &figure, int64_t width, double *box)
{
    int64_t l = std::min(figure.left, figure.right), r = std::max(figure.left, figure.right);
    int64_t t = std::min(figure.top, figure.bottom), b = std::max(figure.top, figure.bottom);
    if (l == r || t == b)
        return false;
    box[0] = (double)(l + width / 2), box[1] = (double)(t + width / 2);
    box[2] = (double)(r - (width - 1) / 2), box[3] = (double)(b - (width - 1) / 2);
    return true;
}

// The last column and row of a box are its right and bottom less one.
void Sides(Outline *o, const double *box)
{
    const Spot c[4] = {{box[0], box[1]}, {box[2] - 1, box[1]}, {box[2] - 1, box[3] - 1}, {box[0], box[3] - 1}};
    for (int k = 0; k < 4; k++)
        Straight(o, c[k], c[(k + 1) % 4]);
}

// A box with round corners `across` by `down` pixels, no larger than the
// box; corners of two pixels or less are square, and an ellipse is the box
// with corners as large as itself.
void RoundBox(Outline *o, const double *box, double across, double down)
{
    double ew = std::min(box[2] - box[0], std::abs(across)), eh = std::min(box[3] - box[1], std::abs(down));
    if (ew <= 2 || eh <= 2)
        return Sides(o, box);
    double rx = (ew - 1) / 2, ry = (eh - 1) / 2;
    const Spot centres[4] = {{box[2] - 1 - rx, box[1] + ry}, {box[0] + rx, box[1] + ry},
                             {box[0] + rx, box[3] - 1 - ry}, {box[2] - 1 - rx, box[3] - 1 - ry}};
    for (int k = 0; k < 4; k++) {
        o->push_back({Curve::ELLIPTIC, {centres[k], {rx, ry}}, k * PI / 2, PI / 2});
        // The straight side to the next corner, where the corners leave one.
        double t = (k + 1) * PI / 2;
        const Spot &c = centres[k], &d = centres[(k + 1) % 4];
        Straight(o, {c.x + rx * std::cos(t), c.y - ry * std::sin(t)}, {d.x + rx * std::cos(t), d.y - ry * std::sin(t)});
    }
}

// The arc of the box's ellipse counter-clockwise from the ray through one
// radial point to the ray through the other, and for a pie the two radii.
// A box turned inside out has no ellipse to draw: the platform's own
// picture of a pen wider than the box is tall is broken (and damages its
// heap), and this one draws nothing there.
void ArcOf(Outline *o, const double *box, const POINT *radial, bool pie)
{
    double width = box[2] - box[0], height = box[3] - box[1];
    if (width <= 0 || height <= 0)
        return;
    Spot centre = {(box[0] + box[2] - 1) / 2, (box[1] + box[3] - 1) / 2};
    Spot radii = {(width - 1) / 2, (height - 1) / 2};
    // The radial points are seen from the box's centre in whole pixels.
    Spot seen = {box[0] + std::floor(width / 2), box[1] + std::floor(height / 2)};
    auto parameter = [&](POINT p) {
        double dx = p.x - seen.x, dy = seen.y - p.y;
        return dx == 0 && dy == 0 ? 0 : std::atan2(dy * std::max(radii.x, 1e-9), dx * std::max(radii.y, 1e-9));
    };
    double from = parameter(radial[0]), sweep = parameter(radial[1]) - from;
    while (sweep <= 0)
        sweep += 2 * PI;
    // A box a pixel wide has an ellipse of its centre alone, and a pie of
    // it is a disc there.
    if (pie && width == 1)
        return Straight(o, seen, seen);
    // Rays that meet the curve on one pixel draw the whole ring, on
    // neighbouring ones nothing.
    int steps = ArcStepsBetween(radii.x, radii.y, from, sweep);
    if (steps == 0)
        sweep = 2 * PI;
    if (steps != 1)
        o->push_back({Curve::ELLIPTIC, {centre, radii}, from, sweep});
    if (pie) {
        Spot start = {centre.x + radii.x * std::cos(from), centre.y - radii.y * std::sin(from)};
        Spot end = {centre.x + radii.x * std::cos(from + sweep), centre.y - radii.y * std::sin(from + sweep)};
        Straight(o, end, seen);
        Straight(o, seen, start);
    }
}

void Beziers(Outline *o, const POINT *points, int count)
{
    for (int i = 0; i + 3 < count; i += 3) {
        Curve c{Curve::CUBIC, {}, 0, 0};
        for (int k = 0; k < 4; k++)
            c.p[k] = {(double)points[i + k].x, (double)points[i + k].y};
        o->push_back(c);
    }
}

Spot At(const Curve &c, double t)
{
    if (c.kind == Curve::STRAIGHT)
        return {c.p[0].x + (c.p[1].x - c.p[0].x) * t, c.p[0].y + (c.p[1].y - c.p[0].y) * t};
    if (c.kind == Curve::ELLIPTIC) {
        double u = c.from + c.sweep * t;
        return {c.p[0].x + c.p[1].x * std::cos(u), c.p[0].y - c.p[1].y * std::sin(u)};
    }
    double s = 1 - t, w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
    return {w0 * c.p[0].x + w1 * c.p[1].x + w2 * c.p[2].x + w3 * c.p[3].x,
            w0 * c.p[0].y + w1 * c.p[1].y + w2 * c.p[2].y + w3 * c.p[3].y};
}

// Whether any of the curve can come within `reach` of the area: it lies
// within its control points, or within its ellipse's box.
bool Nearby(const Curve &c, const Area &area, double reach)
{
    double l, t, r, b;
    if (c.kind == Curve::ELLIPTIC) {
        l = c.p[0].x - c.p[1].x, r = c.p[0].x + c.p[1].x, t = c.p[0].y - c.p[1].y, b = c.p[0].y + c.p[1].y;
    } else {
        int n = c.kind == Curve::CUBIC ? 4 : 2;
        l = r = c.p[0].x, t = b = c.p[0].y;
        for (int k = 1; k < n; k++)
            l = std::min(l, c.p[k].x), r = std::max(r, c.p[k].x), t = std::min(t, c.p[k].y), b = std::max(b, c.p[k].y);
    }
    return l - reach <= area.right && r + reach >= area.left && t - reach <= area.bottom && b + reach >= area.top;
}

// Pieces that keep every chord within TOLERANCE of the curve.
double Wanted(const Curve &c)
{
    if (c.kind == Curve::STRAIGHT)
        return 1;
    if (c.kind == Curve::ELLIPTIC)
        return std::max(2.0, std::ceil(c.sweep * std::sqrt(std::max(c.p[1].x, c.p[1].y) / (8 * TOLERANCE))));
    double bend = 0;
    for (int k = 0; k < 2; k++) {
        double x = c.p[k].x - 2 * c.p[k + 1].x + c.p[k + 2].x, y = c.p[k].y - 2 * c.p[k + 1].y + c.p[k + 2].y;
        bend = std::max(bend, std::sqrt(x * x + y * y));
    }
    return std::max(1.0, std::ceil(std::sqrt(0.75 * bend / TOLERANCE)));
}

// The outline as straight pieces, the curves that cannot come near the
// area left out, within one budget of pieces for the whole path.
std::vector<Piece> Flatten(const Outline &outline, const Area &area, double reach)
{
    std::vector<const Curve *> kept;
    std::vector<double> wanted;
    double total = 0;
    for (const Curve &c : outline)
        if (Nearby(c, area, reach)) {
            kept.push_back(&c);
            wanted.push_back(Wanted(c));
            total += wanted.back();
        }
    double scale = total > BUDGET ? BUDGET / total : 1;
    std::vector<Piece> pieces;
    for (size_t i = 0; i < kept.size(); i++) {
        int n = (int)std::max(1.0, std::floor(wanted[i] * scale));
        Spot from = At(*kept[i], 0);
        for (int k = 1; k <= n; k++) {
            Spot to = At(*kept[i], (double)k / n);
            pieces.push_back({from, to, kept[i]->kind != Curve::STRAIGHT, 0, 0, {}});
            from = to;
        }
    }
    return pieces;
}

double Distance(const Piece &p, Spot s)
{
    double dx = p.b.x - p.a.x, dy = p.b.y - p.a.y, length = dx * dx + dy * dy;
    double t = length > 0 ? std::clamp(((s.x - p.a.x) * dx + (s.y - p.a.y) * dy) / length, 0.0, 1.0) : 0;
    double ox = s.x - p.a.x - t * dx, oy = s.y - p.a.y - t * dy;
    return std::sqrt(ox * ox + oy * oy);
}

Spot Corner(const Area &area, int k) { return {k & 1 ? area.right : area.left, k & 2 ? area.bottom : area.top}; }

// Whether the piece comes within `reach` of the area: it crosses the area,
// or one of its ends or one of the area's corners is the nearest point.
bool Reaches(const Piece &p, const Area &area)
{
    const double reach = p.reach + STRAY;
    double from = 0, to = 1;
    auto keep = [&](double q, double d) { // q t <= d for the part inside
        if (q == 0)
            return d >= 0;
        double t = d / q;
        if (q < 0)
            from = std::max(from, t);
        else
            to = std::min(to, t);
        return true;
    };
    double dx = p.b.x - p.a.x, dy = p.b.y - p.a.y;
    if (keep(-dx, p.a.x - area.left) && keep(dx, area.right - p.a.x) && keep(-dy, p.a.y - area.top) &&
        keep(dy, area.bottom - p.a.y) && from <= to)
        return true;
    for (Spot end : {p.a, p.b}) {
        double ox = std::max({area.left - end.x, 0.0, end.x - area.right});
        double oy = std::max({area.top - end.y, 0.0, end.y - area.bottom});
        if (ox * ox + oy * oy <= reach * reach)
            return true;
    }
    for (int k = 0; k < 4; k++)
        if (Distance(p, Corner(area, k)) <= reach)
            return true;
    return false;
}

// Narrows [*l, *h] to the x where from <= k x + c <= to.
void Within(double k, double c, double from, double to, double *l, double *h)
{
    if (k == 0) {
        if (c < from || c > to)
            *l = INFINITY, *h = -INFINITY;
        return;
    }
    double u = (from - c) / k, v = (to - c) / k;
    *l = std::max(*l, std::min(u, v));
    *h = std::min(*h, std::max(u, v));
}

// The x range of row y within `r` of the segment a-b, between its ends.
void Band(Spot a, Spot b, double y, double r, double *l, double *h)
{
    double dx = b.x - a.x, dy = b.y - a.y, length = std::sqrt(dx * dx + dy * dy);
    if (length == 0)
        return;
    // Along: 0 <= ((x - a.x) dx + (y - a.y) dy) / length^2 <= 1; across:
    // |(x - a.x) dy - (y - a.y) dx| / length <= r. Each linear in x.
    Within(dx, -a.x * dx + (y - a.y) * dy, 0, length * length, l, h);
    Within(dy, -a.x * dy - (y - a.y) * dx, -r * length, r * length, l, h);
}

// The x range of row y in the parallelogram of a side, its right and
// lower edges left out as the platform fills it.
void Parallelogram(const Piece &p, double y, double *l, double *h)
{
    Spot o = {p.a.x + p.side[0].x, p.a.y + p.side[0].y};
    Spot d = {p.b.x - p.a.x, p.b.y - p.a.y}, e = {p.side[1].x - p.side[0].x, p.side[1].y - p.side[0].y};
    double across = d.x * e.y - d.y * e.x;
    if (across == 0)
        return;
    // Across: u = cross(d, P - o) / cross(d, e) in [0, 1); along: t =
    // cross(e, P - o) / cross(e, d) in [0, 1].
    Within(-d.y / across, (d.x * (y - o.y) + d.y * o.x) / across, 0, 1 - 1e-9, l, h);
    Within(e.y / across, -(e.x * (y - o.y) + e.y * o.x) / across, 0, 1, l, h);
    *h -= 1e-6;
}

// A part of the stroke: with no piece, a disc of the reach about `centre`,
// the end of a piece or two; with one, the band or parallelogram between
// that piece's discs, which need not meet it on every row.
struct Part {
    const Piece *piece;
    Spot centre;
};

// The x range of row y in the part, if any.
bool PartSpan(const Part &part, double reach, double y, double *l, double *h)
{
    if (!part.piece) {
        double dy = y - part.centre.y;
        if (dy * dy > reach * reach)
            return false;
        double half = std::sqrt(reach * reach - dy * dy);
        *l = part.centre.x - half, *h = part.centre.x + half;
        return true;
    }
    const Piece &p = *part.piece;
    *l = -INFINITY, *h = INFINITY;
    if (p.curved)
        Band({p.a.x + p.shift, p.a.y + p.shift}, {p.b.x + p.shift, p.b.y + p.shift}, y, p.reach, l, h);
    else
        Parallelogram(p, y, l, h);
    return *l != -INFINITY && *l <= *h;
}

// The platform's stroke of a piece with a pen `width` pixels wide: at each
// end a round join a tenth of a pixel short of half the pen all round, half
// a pixel up and left of the point at an even width; along a curve's piece
// a band as wide as the joins; along a side that runs straight across or
// down, the pen's width in whole pixels, placed the same way; along one that
// slants, the parallelogram of half the pen's breadth either side, each
// offset rounded to whole pixels as the platform rounds them.
void Stroke(Piece *p, int64_t width)
{
    p->reach = width / 2.0 - 0.1;
    p->shift = width % 2 ? 0 : -0.5;
    if (p->curved)
        return;
    double dx = p->b.x - p->a.x, dy = p->b.y - p->a.y, w = (double)width;
    if (std::abs(dx) < 1e-6 || std::abs(dy) < 1e-6) {
        double before = (double)(width / 2), after = (double)(width - width / 2);
        bool flat = std::abs(dy) < 1e-6;
        p->side[0] = flat ? Spot{0, -before} : Spot{-before, 0};
        p->side[1] = flat ? Spot{0, after} : Spot{after, 0};
        return;
    }
    double length = std::sqrt(dx * dx + dy * dy), wx = w * std::abs(dy) / length, wy = w * std::abs(dx) / length;
    Spot narrow = {std::floor(wx / 2 + 0.5), std::floor(wy / 2 + 0.5)};
    Spot wide = {std::floor((wx + 1) / 2 + 0.5), std::floor((wy + 1) / 2 + 0.5)};
    if (dx < 0)
        narrow.y = -narrow.y, wide.y = -wide.y;
    if (dy < 0) {
        std::swap(narrow, wide);
        narrow.x = -narrow.x, wide.x = -wide.x;
    }
    p->side[0] = {-narrow.x, narrow.y};
    p->side[1] = {wide.x, -wide.y};
    // The edge left out is the lower one, or the right one of two as low.
    if (p->side[0].y > p->side[1].y || (p->side[0].y == p->side[1].y && p->side[0].x > p->side[1].x))
        std::swap(p->side[0], p->side[1]);
}

// Paints one row of a tile where the parts reach it. `ends` has a slot for
// each column: the end of the longest span that starts there.
void PaintRow(HDC dc, const std::vector<Part> &parts, double reach, LONG y, const RECT &tile, HBRUSH brush,
              std::vector<LONG> &ends)
{
    std::fill(ends.begin(), ends.begin() + (tile.right - tile.left), tile.left);
    for (const Part &part : parts) {
        double l, h;
        if (!PartSpan(part, reach, y, &l, &h))
            continue;
        LONG from = (LONG)std::max<double>(tile.left, std::ceil(l - SLACK));
        LONG to = (LONG)std::min<double>(tile.right, std::floor(h + SLACK) + 1);
        if (from < to)
            ends[from - tile.left] = std::max(ends[from - tile.left], to);
    }
    for (LONG x = tile.left; x < tile.right;) {
        LONG to = ends[x - tile.left];
        if (to <= x) {
            x++;
            continue;
        }
        RECT run = {x, y, to, y + 1};
        for (; x < to; x++)
            to = std::max(to, ends[x - tile.left]);
        run.right = to;
        FillRect(dc, &run, brush);
    }
}

// How far inside or outside a part's edge a tile's corner must lie for the
// tile to be taken as held or missed whole, far beyond any rounding of the
// rows' spans.
constexpr double MARGIN = 1e-3;

enum Meeting { MISSES, MEETS, HOLDS };

// Whether a line parts the area from what lies between the piece's discs:
// its band, a rectangle as wide as the discs, or its parallelogram. Either
// is convex, so one of the sides of it or of the area does.
bool Apart(const Piece &p, const Area &area)
{
    Spot o, d = {p.b.x - p.a.x, p.b.y - p.a.y}, e;
    if (p.curved) {
        double length = std::sqrt(d.x * d.x + d.y * d.y), r = p.reach;
        Spot n = {-d.y / length * r, d.x / length * r};
        o = {p.a.x + p.shift - n.x, p.a.y + p.shift - n.y}, e = {2 * n.x, 2 * n.y};
    } else {
        o = {p.a.x + p.side[0].x, p.a.y + p.side[0].y}, e = {p.side[1].x - p.side[0].x, p.side[1].y - p.side[0].y};
    }
    const Spot quad[4] = {o, {o.x + d.x, o.y + d.y}, {o.x + d.x + e.x, o.y + d.y + e.y}, {o.x + e.x, o.y + e.y}};
    for (Spot axis : {Spot{1, 0}, Spot{0, 1}, Spot{-d.y, d.x}, Spot{-e.y, e.x}}) {
        double lo = INFINITY, hi = -INFINITY, from = INFINITY, to = -INFINITY;
        for (int k = 0; k < 4; k++) {
            double v = quad[k].x * axis.x + quad[k].y * axis.y;
            Spot c = Corner(area, k);
            double w = c.x * axis.x + c.y * axis.y;
            lo = std::min(lo, v), hi = std::max(hi, v), from = std::min(from, w), to = std::max(to, w);
        }
        double slack = MARGIN * std::sqrt(axis.x * axis.x + axis.y * axis.y);
        if (lo > to + slack || hi < from - slack)
            return true;
    }
    return false;
}

Meeting Meet(const Part &part, double reach, const Area &area)
{
    if (!part.piece) {
        const Spot &c = part.centre;
        double ox = std::max({area.left - c.x, 0.0, c.x - area.right});
        double oy = std::max({area.top - c.y, 0.0, c.y - area.bottom});
        if (ox * ox + oy * oy > (reach + MARGIN) * (reach + MARGIN))
            return MISSES;
        for (int k = 0; k < 4; k++) {
            Spot s = Corner(area, k);
            if ((s.x - c.x) * (s.x - c.x) + (s.y - c.y) * (s.y - c.y) > (reach - MARGIN) * (reach - MARGIN))
                return MEETS;
        }
        return HOLDS;
    }
    if (Apart(*part.piece, area))
        return MISSES;
    // The part is convex and no broader than the reach and the stray
    // either side: it holds the tile when it holds the tile's corners.
    if (2 * (reach + STRAY) < std::min(area.right - area.left, area.bottom - area.top))
        return MEETS;
    for (int k = 0; k < 4; k++) {
        Spot s = Corner(area, k);
        double l, h;
        if (!PartSpan(part, reach, s.y, &l, &h) || s.x < l + MARGIN || s.x > h - MARGIN)
            return MEETS;
    }
    return HOLDS;
}

// Leaves out the discs (all as wide) that the one nearest the area's centre
// outdoes: it is nearer every point of the area than they are.
void Outdone(std::vector<Part> &parts, const Area &area)
{
    const Spot middle = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    auto distance = [](Spot s, Spot t) { return std::sqrt((s.x - t.x) * (s.x - t.x) + (s.y - t.y) * (s.y - t.y)); };
    auto away = [&](const Part &m) { return m.piece ? INFINITY : distance(m.centre, middle); };
    auto nearest = std::min_element(parts.begin(), parts.end(), [&](auto &m, auto &n) { return away(m) < away(n); });
    if (nearest->piece)
        return;
    double within[4];
    for (int k = 0; k < 4; k++)
        within[k] = distance(Corner(area, k), nearest->centre) + MARGIN;
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [&](const Part &m) {
                                   for (int k = 0; k < 4; k++)
                                       if (m.piece || distance(Corner(area, k), m.centre) < within[k])
                                           return false;
                                   return true;
                               }),
                parts.end());
}

// The clip is painted in tiles, each a quarter of the one it lies in, so
// that the work goes where the stroke's edges are: a tile meets only the
// parts of its parent that reach it, is left alone when none does, filled
// at once when one holds it, and painted row by row once it is small.
struct Tiles {
    HDC dc;
    HBRUSH brush;
    double reach;
    // The parts reaching each tile on the way down, one list a depth.
    std::vector<std::vector<Part>> lists;
    std::vector<LONG> ends;
};

constexpr LONG TILE = 8, TILEWIDTH = 32;

void PaintTile(Tiles &t, const RECT &tile, size_t depth)
{
    const Area area = {(double)tile.left, (double)tile.top, tile.right - 1.0, tile.bottom - 1.0};
    std::vector<Part> &reaching = t.lists[depth + 1];
    reaching.clear();
    for (const Part &part : t.lists[depth]) {
        const Meeting meeting = Meet(part, t.reach, area);
        if (meeting == HOLDS) {
            FillRect(t.dc, &tile, t.brush);
            return;
        }
        if (meeting == MEETS)
            reaching.push_back(part);
    }
    if (reaching.empty())
        return;
    Outdone(reaching, area);
    const LONG width = tile.right - tile.left, height = tile.bottom - tile.top;
    if (width <= TILEWIDTH && height <= TILE) {
        for (LONG y = tile.top; y < tile.bottom; y++)
            PaintRow(t.dc, reaching, t.reach, y, tile, t.brush, t.ends);
        return;
    }
    const LONG across = width > TILEWIDTH ? tile.left + width / 2 : tile.right;
    const LONG down = height > TILE ? tile.top + height / 2 : tile.bottom;
    for (const RECT &part : {RECT{tile.left, tile.top, across, down}, RECT{across, tile.top, tile.right, down},
                             RECT{tile.left, down, across, tile.bottom}, RECT{across, down, tile.right, tile.bottom}})
        if (part.left < part.right && part.top < part.bottom)
            PaintTile(t, part, depth + 1);
}

// Paints every pixel of the clip within reach of a piece: the discs of
// pieces that meet at a point are one.
void PaintTiles(HDC dc, const std::vector<Piece> &pieces, const RECT &clip, HBRUSH brush)
{
    // Halving a tile's sides, however long, ends within 32 depths.
    Tiles t{dc, brush, pieces[0].reach, std::vector<std::vector<Part>>(34), std::vector<LONG>(TILEWIDTH)};
    std::vector<Part> &parts = t.lists[0];
    for (const Piece &p : pieces)
        for (Spot end : {p.a, p.b})
            parts.push_back({nullptr, {end.x + p.shift, end.y + p.shift}});
    auto key = [](const Part &m) { return std::pair(m.centre.x, m.centre.y); };
    std::sort(parts.begin(), parts.end(), [&](const Part &m, const Part &n) { return key(m) < key(n); });
    parts.erase(std::unique(parts.begin(), parts.end(), [&](const Part &m, const Part &n) { return key(m) == key(n); }),
                parts.end());
    for (const Piece &p : pieces)
        if (p.a.x != p.b.x || p.a.y != p.b.y)
            parts.push_back({&p, {}});
    PaintTile(t, clip, 0);
}

// The platform strokes a curve through the pixels nearest it, a step from
// each to the next, and a side between whole pixels: the pieces near the
// area made so, within the budget; beyond it the pieces stand as they are.
void Snap(std::vector<Piece> *pieces, const Area &area, double reach)
{
    auto inreach = [&](const Piece &p) {
        Piece wide = p;
        wide.reach = reach;
        return Reaches(wide, area);
    };
    auto steps = [](const Piece &p) { return std::ceil(std::max(std::abs(p.b.x - p.a.x), std::abs(p.b.y - p.a.y))); };
    double total = 0;
    for (const Piece &p : *pieces)
        total += p.curved && inreach(p) ? steps(p) : 1;
    if (total > BUDGET)
        return;
    auto whole = [](Spot s) { return Spot{std::floor(s.x + 0.5), std::floor(s.y + 0.5)}; };
    std::vector<Piece> snapped;
    for (const Piece &p : *pieces) {
        if (!p.curved || !inreach(p)) {
            snapped.push_back({whole(p.a), whole(p.b), false, 0, 0, {}});
            continue;
        }
        int n = (int)std::max(1.0, steps(p));
        Spot from = whole(p.a);
        for (int k = 1; k <= n; k++) {
            Spot to = whole({p.a.x + (p.b.x - p.a.x) * k / n, p.a.y + (p.b.y - p.a.y) * k / n});
            if (to.x != from.x || to.y != from.y)
                snapped.push_back({from, to, false, 0, 0, {}});
            from = to;
        }
    }
    pieces->swap(snapped);
}

// Strokes the outline with a pen `width` pixels wide: every pixel of the
// clip that the platform's stroke of it covers.
void Paint(HDC dc, Outline &outline, int64_t width, const RECT &clip, COLORREF colour)
{
    const Area area = {(double)clip.left, (double)clip.top, clip.right - 1.0, clip.bottom - 1.0};
    std::vector<Piece> pieces = Flatten(outline, area, width / 2.0 + 1);
    Snap(&pieces, area, width / 2.0 + 1);
    for (Piece &p : pieces)
        Stroke(&p, width);
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(), [&](const Piece &p) { return !Reaches(p, area); }),
                 pieces.end());
    if (pieces.empty())
        return;
    GdiObject<HBRUSH> brush(CreateSolidBrush(GetNearestColor(dc, colour)));
    if (!brush.get())
        return;
    PaintTiles(dc, pieces, clip, brush);
}

// Draws the outline with the pen of a pixel selected in `dc`: the platform
// draws such a pen's lines in a moment wherever they run, but flattens every
// segment of a Bezier curve to the pixel however far it runs; here the
// curve is flattened within the budget and the parts near the clip drawn.
void Trace(HDC dc, const Outline &outline, const RECT &clip)
{
    const Area area = {(double)clip.left, (double)clip.top, clip.right - 1.0, clip.bottom - 1.0};
    std::vector<POINT> run;
    auto draw = [&] {
        if (run.size() > 1)
            Polyline(dc, run.data(), (int)run.size());
        run.clear();
    };
    auto point = [](Spot s) { return POINT{(LONG)std::lround(s.x), (LONG)std::lround(s.y)}; };
    for (const Piece &p : Flatten(outline, area, 1)) {
        POINT from = point(p.a), to = point(p.b);
        if (run.empty() || run.back().x != from.x || run.back().y != from.y) {
            draw();
            run.push_back(from);
        }
        run.push_back(to);
    }
    draw();
}

// The outline the platform strokes for the figure.
Outline Build(WIDEFIGURE figure, const RECT &box, const POINT *points, int count, int64_t width)
{
    Outline o;
    double pen[4];
    switch (figure) {
    case WIDE_LINE:
    case WIDE_POLYGON:
        Chain(&o, points, count, figure == WIDE_POLYGON);
        break;
    case WIDE_BEZIER:
        Beziers(&o, points, count);
        break;
    case WIDE_RECT:
    case WIDE_ELLIPSE:
    case WIDE_ROUNDRECT:
        if (!PenBox(box, width, pen))
            break;
        if (figure == WIDE_RECT)
            Sides(&o, pen);
        else if (figure == WIDE_ELLIPSE)
            RoundBox(&o, pen, (double)box.right - box.left, (double)box.bottom - box.top);
        else
            RoundBox(&o, pen, points[0].x, points[0].y);
        break;
    case WIDE_ARC:
    case WIDE_PIE:
        if (PenBox(box, width, pen))
            ArcOf(&o, pen, points, figure == WIDE_PIE);
        break;
    }
    return o;
}

} // namespace

bool WideStroke(APPLET *a, HDC dc, WIDEFIGURE figure, const RECT &box, const POINT *points, int count)
{
    LOGPEN pen{};
    bool wide = a->pen && GetObjectA(a->pen, sizeof pen, &pen) == (int)sizeof pen && pen.lopnWidth.x > WIDEPEN &&
                pen.lopnStyle == PS_INSIDEFRAME;
    if (figure == WIDE_BEZIER && (count < 4 || (count - 1) % 3))
        return false; // the platform draws nothing, quickly
    if (!wide && figure != WIDE_BEZIER)
        return false;
    int fw, fh;
    FrameSize(a, &fw, &fh);
    RECT clip = {0, 0, fw, fh}, visible;
    if (GetClipBox(dc, &visible) == ERROR || !IntersectRect(&clip, &clip, &visible))
        return true;
    Outline outline = Build(figure, box, points, count, pen.lopnWidth.x);
    if (wide)
        Paint(dc, outline, pen.lopnWidth.x, clip, pen.lopnColor);
    else
        Trace(dc, outline, clip);
    return true;
}
