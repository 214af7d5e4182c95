#include "BoxDrawingGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace zentrova {

void BoxDrawingCanvas::box(BoxDrawingShape& shape, int x0, int y0, int x1, int y1) const
{
    x0 = std::clamp(x0, 0, width);
    x1 = std::clamp(x1, 0, width);
    y0 = std::clamp(y0, 0, height);
    y1 = std::clamp(y1, 0, height);
    if (x1 > x0 && y1 > y0)
        shape.boxes.push_back({ x0, y0, x1, y1 });
}

namespace {

enum class Weight { none, light, heavy, double_ };

// One weight per arm: up, right, down, left.
struct Lines {
    Weight up = Weight::none;
    Weight right = Weight::none;
    Weight down = Weight::none;
    Weight left = Weight::none;
};

Weight weightOf(char c)
{
    switch (c) {
    case 'L': return Weight::light;
    case 'H': return Weight::heavy;
    case 'D': return Weight::double_;
    default: return Weight::none;
    }
}

// The arms of U+2500 to U+254B, U+2550 to U+256C and U+2574 to U+257F as up, right, down, left.
std::optional<Lines> linesOf(std::uint32_t codePoint)
{
    static constexpr std::array<const char*, 76> first {
        "-L-L", "-H-H", "L-L-", "H-H-", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        "-LL-", "-HL-", "-LH-", "-HH-", "--LL", "--LH", "--HL", "--HH", "LL--", "LH--", "HL--", "HH--",
        "L--L", "L--H", "H--L", "H--H", "LLL-", "LHL-", "HLL-", "LLH-", "HLH-", "HHL-", "LHH-", "HHH-",
        "L-LL", "L-LH", "H-LL", "L-HL", "H-HL", "H-LH", "L-HH", "H-HH", "-LLL", "-LLH", "-HLL", "-HLH",
        "-LHL", "-LHH", "-HHL", "-HHH", "LL-L", "LL-H", "LH-L", "LH-H", "HL-L", "HL-H", "HH-L", "HH-H",
        "LLLL", "LLLH", "LHLL", "LHLH", "HLLL", "LLHL", "HLHL", "HLLH", "HHLL", "LLHH", "LHHL", "HHLH",
        "LHHH", "HLHH", "HHHL", "HHHH" };
    static constexpr std::array<const char*, 29> doubles {
        "-D-D", "D-D-", "-DL-", "-LD-", "-DD-", "--LD", "--DL", "--DD", "LD--", "DL--", "DD--", "L--D",
        "D--L", "D--D", "LDL-", "DLD-", "DDD-", "L-LD", "D-DL", "D-DD", "-DLD", "-LDL", "-DDD", "LD-D",
        "DL-L", "DD-D", "LDLD", "DLDL", "DDDD" };
    static constexpr std::array<const char*, 12> halves {
        "---L", "L---", "-L--", "--L-", "---H", "H---", "-H--", "--H-", "-H-L", "L-H-", "-L-H", "H-L-" };
    const char* arms = nullptr;
    if (codePoint >= 0x2500 && codePoint <= 0x254B)
        arms = first[codePoint - 0x2500];
    else if (codePoint >= 0x2550 && codePoint <= 0x256C)
        arms = doubles[codePoint - 0x2550];
    else if (codePoint >= 0x2574 && codePoint <= 0x257F)
        arms = halves[codePoint - 0x2574];
    if (!arms)
        return std::nullopt;
    return Lines { weightOf(arms[0]), weightOf(arms[1]), weightOf(arms[2]), weightOf(arms[3]) };
}

// A band across one axis of the canvas: where light, heavy and double lines lie.
struct Bands {
    int lightLow, lightHigh, heavyLow, heavyHigh, doubleLow, doubleHigh;
};

Bands bandsAcross(int size, int t)
{
    const auto sub = [](int a, int b) { return std::max(a - b, 0); };
    const auto add = [size](int a, int b) { return std::min(a + b, size); };
    const int lightLow = sub(size, t) / 2;
    const int lightHigh = add(lightLow, t);
    const int heavyLow = sub(size, 2 * t) / 2;
    const int heavyHigh = add(heavyLow, 2 * t);
    return { lightLow, lightHigh, heavyLow, heavyHigh, sub(lightLow, t), add(lightHigh, t) };
}

// Where the arms along one axis stop at the centre, given the weights of the two arms across it.
// `nearEnd` is where the arm from the low edge (up, or left) ends; `farStart` where the other begins.
struct Stops {
    int nearEnd;
    int farStart;
};

Stops stopsFor(const Bands& b, Weight acrossA, Weight acrossB, Weight alongNear, Weight alongFar)
{
    const bool heavy = acrossA == Weight::heavy || acrossB == Weight::heavy;
    const bool doubled = acrossA == Weight::double_ || acrossB == Weight::double_;
    if (heavy)
        return { b.heavyHigh, b.heavyLow };
    if (acrossA != acrossB || alongNear == alongFar)
        return doubled ? Stops { b.doubleHigh, b.doubleLow } : Stops { b.lightHigh, b.lightLow };
    if (acrossA == Weight::none)
        return { b.lightHigh, b.lightLow };
    return { b.lightLow, b.lightHigh };
}

void linesChar(BoxDrawingShape& shape, const Lines& lines, const BoxDrawingCanvas& canvas, int baseThicknessPx)
{
    const int t = std::max({ baseThicknessPx, canvas.minimumThickness, 1 });
    const int W = canvas.width;
    const int H = canvas.height;
    const Bands y = bandsAcross(H, t);
    const Bands x = bandsAcross(W, t);
    const Stops vertical = stopsFor(y, lines.left, lines.right, lines.up, lines.down);
    const Stops horizontal = stopsFor(x, lines.up, lines.down, lines.left, lines.right);
    const auto box = [&](int x0, int y0, int x1, int y1) { canvas.box(shape, x0, y0, x1, y1); };

    switch (lines.up) {
    case Weight::light: box(x.lightLow, 0, x.lightHigh, vertical.nearEnd); break;
    case Weight::heavy: box(x.heavyLow, 0, x.heavyHigh, vertical.nearEnd); break;
    case Weight::double_:
        box(x.doubleLow, 0, x.lightLow, lines.left == Weight::double_ ? y.lightLow : vertical.nearEnd);
        box(x.lightHigh, 0, x.doubleHigh, lines.right == Weight::double_ ? y.lightLow : vertical.nearEnd);
        break;
    case Weight::none: break;
    }
    switch (lines.right) {
    case Weight::light: box(horizontal.farStart, y.lightLow, W, y.lightHigh); break;
    case Weight::heavy: box(horizontal.farStart, y.heavyLow, W, y.heavyHigh); break;
    case Weight::double_:
        box(lines.up == Weight::double_ ? x.lightHigh : horizontal.farStart, y.doubleLow, W, y.lightLow);
        box(lines.down == Weight::double_ ? x.lightHigh : horizontal.farStart, y.lightHigh, W, y.doubleHigh);
        break;
    case Weight::none: break;
    }
    switch (lines.down) {
    case Weight::light: box(x.lightLow, vertical.farStart, x.lightHigh, H); break;
    case Weight::heavy: box(x.heavyLow, vertical.farStart, x.heavyHigh, H); break;
    case Weight::double_:
        box(x.doubleLow, lines.left == Weight::double_ ? y.lightHigh : vertical.farStart, x.lightLow, H);
        box(x.lightHigh, lines.right == Weight::double_ ? y.lightHigh : vertical.farStart, x.doubleHigh, H);
        break;
    case Weight::none: break;
    }
    switch (lines.left) {
    case Weight::light: box(0, y.lightLow, horizontal.nearEnd, y.lightHigh); break;
    case Weight::heavy: box(0, y.heavyLow, horizontal.nearEnd, y.heavyHigh); break;
    case Weight::double_:
        box(0, y.doubleLow, lines.up == Weight::double_ ? x.lightLow : horizontal.nearEnd, y.lightLow);
        box(0, y.lightHigh, lines.down == Weight::double_ ? x.lightLow : horizontal.nearEnd, y.doubleHigh);
        break;
    case Weight::none: break;
    }
}

// Lays `count` dashes along a run of `length` pixels: the remainder pixels go one each to the first dashes.
// The horizontal layout starts half a gap in; the vertical one starts at the edge.
void layDashes(int count, int length, int gap, int firstStart, const std::function<void(int, int)>& dash)
{
    const int total = std::max(length - count * gap, 0);
    const int base = total / count;
    int remainder = total % count;
    int start = firstStart;
    for (int i = 0; i < count; ++i) {
        const int size = base + (remainder > 0 ? 1 : 0);
        remainder = std::max(remainder - 1, 0);
        dash(start, start + size);
        start += size + gap;
    }
}

void dashHorizontal(BoxDrawingShape& shape, int count, int thicknessPx, int desiredGapPx, const BoxDrawingCanvas& canvas,
                    int solidThicknessPx)
{
    if (count < 2 || count > 4)
        return;
    const int W = canvas.width;
    if (W < 2 * count) {
        const int y = std::max(canvas.height - solidThicknessPx, 0) / 2;
        canvas.box(shape, 0, y, W, y + solidThicknessPx);
        return;
    }
    const int gap = std::min(W / (2 * count), desiredGapPx);
    const int y = std::max(canvas.height - thicknessPx, 0) / 2;
    layDashes(count, W, gap, gap / 2, [&](int x0, int x1) { canvas.box(shape, x0, y, x1, y + thicknessPx); });
}

void dashVertical(BoxDrawingShape& shape, int count, int thicknessPx, int desiredGapPx, const BoxDrawingCanvas& canvas,
                  int baseThicknessPx)
{
    if (count < 2 || count > 4)
        return;
    const int H = canvas.height;
    if (H < 2 * count) {
        const int solid = std::max(baseThicknessPx, 1);
        const int x = std::max(canvas.width - solid, 0) / 2;
        canvas.box(shape, x, 0, x + solid, H);
        return;
    }
    const int gap = std::min(H / (2 * count), desiredGapPx);
    const int x = std::max(canvas.width - thicknessPx, 0) / 2;
    layDashes(count, H, gap, 0, [&](int y0, int y1) { canvas.box(shape, x, y0, x + thicknessPx, y1); });
}

bool dashes(BoxDrawingShape& shape, std::uint32_t codePoint, const BoxDrawingCanvas& canvas, int T, int base)
{
    const int lightGap = std::max(T, 4);
    switch (codePoint) {
    case 0x2504: dashHorizontal(shape, 3, T, lightGap, canvas, T); return true;
    case 0x2505: dashHorizontal(shape, 3, 2 * T, lightGap, canvas, 2 * T); return true;
    case 0x2508: dashHorizontal(shape, 4, T, lightGap, canvas, T); return true;
    case 0x2509: dashHorizontal(shape, 4, 2 * T, lightGap, canvas, 2 * T); return true;
    case 0x254C: dashHorizontal(shape, 2, T, T, canvas, T); return true;
    case 0x254D: dashHorizontal(shape, 2, 2 * T, 2 * T, canvas, std::max(base, 1)); return true;
    case 0x2506: dashVertical(shape, 3, T, lightGap, canvas, base); return true;
    case 0x2507: dashVertical(shape, 3, 2 * T, lightGap, canvas, base); return true;
    case 0x250A: dashVertical(shape, 4, T, lightGap, canvas, base); return true;
    case 0x250B: dashVertical(shape, 4, 2 * T, lightGap, canvas, base); return true;
    case 0x254E: dashVertical(shape, 2, T, 2 * T, canvas, base); return true;
    case 0x254F: dashVertical(shape, 2, 2 * T, 2 * T, canvas, base); return true;
    default: return false;
    }
}

// U+256D ╭, U+256E ╮, U+256F ╯ and U+2570 ╰: two straight arms joined by a quarter ring.
void arc(BoxDrawingShape& shape, std::uint32_t codePoint, int T, const BoxDrawingCanvas& canvas)
{
    const int W = canvas.width;
    const int H = canvas.height;
    const int lineY = std::max(H - T, 0) / 2;
    const int lineX = std::max(W - T, 0) / 2;
    const double half = T / 2.0;
    const double smaller = std::min(W, H);
    const double r = std::min(0.3 * smaller, std::max(smaller / 2 - half, 0.0));
    const double outer = r + half;
    if (outer <= 0)
        return;
    const bool armRight = codePoint == 0x256D || codePoint == 0x2570;
    const bool armDown = codePoint == 0x256D || codePoint == 0x256E;
    const double lineCentreX = lineX + half;
    const double lineCentreY = lineY + half;
    const double cx = lineCentreX + (armRight ? r : -r);
    const double cy = lineCentreY + (armDown ? r : -r);

    // Each arm overlaps the ring by the part of a pixel its end falls in, so the two never part.
    if (armRight)
        canvas.box(shape, static_cast<int>(std::floor(cx)), lineY, W, lineY + T);
    else
        canvas.box(shape, 0, lineY, static_cast<int>(std::ceil(cx)), lineY + T);
    if (armDown)
        canvas.box(shape, lineX, static_cast<int>(std::floor(cy)), lineX + T, H);
    else
        canvas.box(shape, lineX, 0, lineX + T, static_cast<int>(std::ceil(cy)));

    GlyphPixelRect clip;
    clip.x0 = armRight ? cx - outer : cx;
    clip.x1 = armRight ? cx : cx + outer;
    clip.y0 = armDown ? cy - outer : cy;
    clip.y1 = armDown ? cy : cy + outer;
    shape.arc = BoxArc { cx, cy, outer, std::max(r - half, 0.0), clip };
}

// U+2571 ╱, U+2572 ╲ and U+2573 ╳, each line running half a pixel past the corners along its slope.
void diagonals(BoxDrawingShape& shape, std::uint32_t codePoint, int T, const BoxDrawingCanvas& canvas)
{
    const double W = canvas.width;
    const double H = canvas.height;
    const double overX = W >= H ? 0.5 : 0.5 * W / H;
    const double overY = H >= W ? 0.5 : 0.5 * H / W;
    const int thickness = std::max(T, canvas.minimumThickness);
    const double width = thickness + (thickness > 1 ? 1 : 0);
    if (codePoint != 0x2572)
        shape.diagonals.push_back({ W + overX, -overY, -overX, H + overY, width });
    if (codePoint != 0x2571)
        shape.diagonals.push_back({ -overX, -overY, W + overX, H + overY, width });
}

} // namespace

std::optional<BoxDrawingShape> boxDrawingShape(std::uint32_t codePoint, int widthPx, int heightPx, double scale,
                                               int baseThicknessPx)
{
    if (codePoint < 0x2500 || codePoint > 0x257F)
        return std::nullopt;
    const BoxDrawingCanvas canvas { std::max(widthPx, 1), std::max(heightPx, 1),
                                    std::max(static_cast<int>(std::lround(scale)), 1) };
    const int T = std::max(baseThicknessPx, canvas.minimumThickness);
    BoxDrawingShape shape;
    if (const std::optional<Lines> lines = linesOf(codePoint))
        linesChar(shape, *lines, canvas, baseThicknessPx);
    else if (codePoint >= 0x256D && codePoint <= 0x2570)
        arc(shape, codePoint, T, canvas);
    else if (codePoint >= 0x2571 && codePoint <= 0x2573)
        diagonals(shape, codePoint, T, canvas);
    else
        dashes(shape, codePoint, canvas, T, baseThicknessPx);
    return shape;
}

} // namespace zentrova
