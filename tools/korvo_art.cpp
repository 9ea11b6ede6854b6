// Draws the player's artwork: the skin (192 x 256, 8 bpp, 128 colours), the shape bitmap
// and every icon. Runs on the build machine; writes BMP and ICO files into the folder given,
// or, given "desktop", only the program's icon as PNG files for the Linux desktop
// (korvo_48.png, korvo_128.png).
// The skin and its shape are drawn again for each display scale above 100 %, from the same
// geometry, so that a scaled window is sharp rather than stretched.
//
//   korvo_art OUTDIR [desktop]
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/win32/display_font_layout.h"
#include "display_font_glyphs.h"

namespace {

struct Rgb {
    float r = 0, g = 0, b = 0;
};
Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb hex(uint32_t v) { return {float((v >> 16) & 255), float((v >> 8) & 255), float(v & 255)}; }
Rgb scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }

using Inside = std::function<bool(float, float)>;
using Paint = std::function<Rgb(float, float)>;

// RGBA canvas with shapes antialiased by 4 x 4 supersampling. Shapes are given in units of
// the 96-DPI skin; a canvas of scale k has k pixels to the unit.
struct Canvas {
    int w, h;
    float k = 1;
    std::vector<Rgb> px;
    std::vector<float> alpha;
    // Fills look only inside this box (in units): shapes known to lie in it draw faster.
    float boxL = -1e6f, boxT = -1e6f, boxR = 1e6f, boxB = 1e6f;
    Canvas(int w_, int h_, Rgb bg = {}, float k_ = 1)
        : w(w_), h(h_), k(k_), px(size_t(w_) * h_, bg), alpha(size_t(w_) * h_, 0.f) {}

    void fill(const Inside& in, const Paint& paint, float opacity = 1.f) {
        const int x0 = std::max(0, int(std::floor(boxL * k))), x1 = std::min(w, int(std::ceil(boxR * k)));
        const int y0 = std::max(0, int(std::floor(boxT * k))), y1 = std::min(h, int(std::ceil(boxB * k)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        hits += in((x + (sx + 0.5f) / 4.f) / k, (y + (sy + 0.5f) / 4.f) / k) ? 1 : 0;
                if (!hits) continue;
                float cov = hits / 16.f * opacity;
                size_t i = size_t(y) * w + x;
                px[i] = mix(px[i], paint((x + 0.5f) / k, (y + 0.5f) / k), cov);
                alpha[i] = alpha[i] + (1 - alpha[i]) * cov;
            }
    }
    void fill(const Inside& in, Rgb c, float opacity = 1.f) {
        fill(in, [c](float, float) { return c; }, opacity);
    }
};

// --- shapes ----------------------------------------------------------------------------

Inside ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.f;
    };
}
Inside roundRect(float l, float t, float r, float b, float rad) {
    return [=](float x, float y) {
        if (x < l || x > r || y < t || y > b) return false;
        float cx = std::clamp(x, l + rad, r - rad), cy = std::clamp(y, t + rad, b - rad);
        float dx = x - cx, dy = y - cy;
        return dx * dx + dy * dy <= rad * rad;
    };
}
Inside polygon(std::vector<std::array<float, 2>> pts) {
    return [pts](float x, float y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            float xi = pts[i][0], yi = pts[i][1], xj = pts[j][0], yj = pts[j][1];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
}
Inside thickLine(float x0, float y0, float x1, float y1, float half) {
    return [=](float x, float y) {
        float vx = x1 - x0, vy = y1 - y0;
        float t = std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.f, 1.f);
        float dx = x - (x0 + t * vx), dy = y - (y0 + t * vy);
        return dx * dx + dy * dy <= half * half;
    };
}
Inside ring(float cx, float cy, float rx, float ry, float width) {
    auto outer = ellipse(cx, cy, rx, ry), inner = ellipse(cx, cy, rx - width, ry - width);
    return [=](float x, float y) { return outer(x, y) && !inner(x, y); };
}
Inside unite(Inside a, Inside b) { return [=](float x, float y) { return a(x, y) || b(x, y); }; }
Inside cut(Inside a, Inside b) { return [=](float x, float y) { return a(x, y) && !b(x, y); }; }
Inside shifted(Inside a, float dx, float dy) { return [=](float x, float y) { return a(x - dx, y - dy); }; }

// --- the body --------------------------------------------------------------------------

constexpr int kSkinW = 192, kSkinH = 256;
constexpr float kBodyCx = 96, kBodyCy = 148, kBodyA = 84, kBodyB = 104;

// Rounded slab with a side fin that carries the Repeat and Shuffle buttons.
bool bodyAt(float x, float y, float inset) {
    float dx = std::fabs(x - kBodyCx) / (kBodyA - inset), dy = std::fabs(y - kBodyCy) / (kBodyB - inset);
    if (dx * dx * dx * dx + dy * dy * dy * dy <= 1.f) return true;
    return roundRect(160 + inset, 64 + inset, 191.5f - inset, 98 - inset, 8 - std::min(inset, 7.f))(x, y);
}

// The ten buttons, in the order of the press test: left, top, right, bottom.
struct Button {
    const char* name;
    float l, t, r, b;
};
constexpr Button kButtons[] = {
    {"close", 59, 86, 81, 107},     {"minimise", 95, 67, 117, 90}, {"open", 80, 123, 104, 146},
    {"play", 28, 208, 51, 231},     {"pause", 113, 149, 135, 171}, {"stop", 137, 192, 159, 215},
    {"previous", 39, 153, 61, 175}, {"next", 83, 190, 105, 212},   {"repeat", 172, 72, 190, 81},
    {"shuffle", 172, 82, 190, 90},
};

// 5 x 7 capitals and digits for the lettering.
struct Glyph {
    char c;
    const char* rows[7];
};
constexpr Glyph kFont[] = {
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
};


// The display's pixel font, ASCII: 5 x 8 (the last row for descenders), one hex byte per
// row, bit 4 the leftmost column. Codes 32..126, then a box for anything else and the
// play, pause and stop glyphs. The program trims each glyph to its ink, so it is proportional.
constexpr int kDisplayCount = 99;   // from code 32
constexpr const char* kDisplayFont[kDisplayCount] = {
    "0000000000000000", "0404040404000400", "0a0a000000000000", "0a0a1f0a1f0a0a00", // space ! " #
    "040f140e051e0400", "1819020408130300", "0c12140815120d00", "0404000000000000", // $ % & '
    "0204080808040200", "0804020202040800", "0004150e15040000", "0004041f04040000", // ( ) * +
    "0000000000040408", "0000000e00000000", "0000000000000400", "0001020408100000", // , - . /
    "0e11131519110e00", "040c040404040e00", "0e11010204081f00", "1f02040201110e00", // 0 1 2 3
    "02060a121f020200", "1f101e0101110e00", "0608101e11110e00", "1f01020408080800", // 4 5 6 7
    "0e11110e11110e00", "0e11110f01020c00", "0000040000040000", "0000040000040408", // 8 9 : ;
    "0204081008040200", "00001f001f000000", "0804020102040800", "0e11010204000400", // < = > ?
    "0e11010d15150e00", "0e1111111f111100", "1e11111e11111e00", "0e11101010110e00", // @ A B C
    "1c12111111121c00", "1f10101e10101f00", "1f10101e10101000", "0e11101711110f00", // D E F G
    "1111111f11111100", "0e04040404040e00", "0702020202120c00", "1112141814121100", // H I J K
    "1010101010101f00", "111b151511111100", "1111191513111100", "0e11111111110e00", // L M N O
    "1e11111e10101000", "0e11111115120d00", "1e11111e14121100", "0f10100e01011e00", // P Q R S
    "1f04040404040400", "1111111111110e00", "11111111110a0400", "1111111515150a00", // T U V W
    "11110a040a111100", "1111110a04040400", "1f01020408101f00", "0e08080808080e00", // X Y Z [
    "0010080402010000", "0e02020202020e00", "040a110000000000", "0000000000001f00", // \ ] ^ _
    "0804000000000000", "00000e010f110f00", "1010161911111e00", "00000e1010110e00", // ` a b c
    "01010d1311110f00", "00000e111f100e00", "0609081c08080800", "00000f11110f010e", // d e f g
    "1010161911111100", "04000c0404040e00", "020006020202120c", "1010121418141200", // h i j k
    "0c04040404040e00", "00001a1515111100", "0000161911111100", "00000e1111110e00", // l m n o
    "00001e11111e1010", "00000f11110f0101", "0000161910101000", "00000f100e011e00", // p q r s
    "08081c0808090600", "0000111111130d00", "00001111110a0400", "0000111115150a00", // t u v w
    "0000110a040a1100", "00001111110f010e", "00001f0204081f00", "0204040804040200", // x y z {
    "0404040404040400", "0804040204040800", "0000081502000000",                     // | } ~
    "1f11111111111f00", "10181c1e1c181000", "1b1b1b1b1b1b1b00",                     // box play pause
    "001f1f1f1f1f0000",                                                             // stop
};
constexpr int kCellW = 6, kCellH = 10, kAtlasColumns = 16;

// Text as a shape: each font pixel a square of the given size.
Inside text(const std::string& s, float x0, float y0, float px) {
    return [=](float x, float y) {
        int col = int(std::floor((x - x0) / px)), row = int(std::floor((y - y0) / px));
        if (row < 0 || row >= 7 || col < 0) return false;
        int ch = col / 6, cx = col % 6;
        if (ch >= int(s.size()) || cx == 5) return false;
        for (const Glyph& g : kFont)
            if (g.c == s[size_t(ch)]) return g.rows[row][cx] == '#';
        return false;
    };
}
float textWidth(const std::string& s, float px) { return (float(s.size()) * 6 - 1) * px; }

// Glyph of a button, drawn in a box of radius r around its centre.
Inside buttonGlyph(const std::string& name, float cx, float cy, float rx, float ry) {
    float r = std::min(rx, ry);
    if (name == "close") {
        float d = r * 0.42f;
        return unite(thickLine(cx - d, cy - d, cx + d, cy + d, r * 0.13f),
                     thickLine(cx - d, cy + d, cx + d, cy - d, r * 0.13f));
    }
    if (name == "minimise") return roundRect(cx - r * 0.45f, cy + r * 0.12f, cx + r * 0.45f, cy + r * 0.38f, 1);
    if (name == "open") {
        auto tri = polygon({{cx - r * 0.45f, cy + r * 0.05f}, {cx + r * 0.45f, cy + r * 0.05f}, {cx, cy - r * 0.45f}});
        return unite(tri, roundRect(cx - r * 0.45f, cy + r * 0.2f, cx + r * 0.45f, cy + r * 0.4f, 1));
    }
    if (name == "play") return polygon({{cx - r * 0.3f, cy - r * 0.45f}, {cx - r * 0.3f, cy + r * 0.45f}, {cx + r * 0.48f, cy}});
    if (name == "pause")
        return unite(roundRect(cx - r * 0.38f, cy - r * 0.42f, cx - r * 0.1f, cy + r * 0.42f, 1),
                     roundRect(cx + r * 0.1f, cy - r * 0.42f, cx + r * 0.38f, cy + r * 0.42f, 1));
    if (name == "stop") return roundRect(cx - r * 0.36f, cy - r * 0.36f, cx + r * 0.36f, cy + r * 0.36f, 1.5f);
    if (name == "previous" || name == "next") {
        float s = name == "next" ? 1.f : -1.f;
        auto t1 = polygon({{cx - s * r * 0.5f, cy - r * 0.38f}, {cx - s * r * 0.5f, cy + r * 0.38f}, {cx, cy}});
        auto t2 = polygon({{cx - s * r * 0.05f, cy - r * 0.38f}, {cx - s * r * 0.05f, cy + r * 0.38f}, {cx + s * r * 0.42f, cy}});
        auto bar = thickLine(cx + s * r * 0.5f, cy - r * 0.38f, cx + s * r * 0.5f, cy + r * 0.38f, r * 0.08f);
        return unite(unite(t1, t2), bar);
    }
    if (name == "repeat") {
        // a flat loop with an arrow head on its upper run
        auto loop = cut(roundRect(cx - rx * 0.5f, cy - ry * 0.55f, cx + rx * 0.5f, cy + ry * 0.55f, ry * 0.5f),
                        roundRect(cx - rx * 0.5f + 1.4f, cy - ry * 0.55f + 1.4f, cx + rx * 0.5f - 1.4f, cy + ry * 0.55f - 1.4f, ry * 0.2f));
        auto gap = roundRect(cx - 1.5f, cy - ry, cx + 1.5f, cy - ry * 0.2f, 0);
        auto head = polygon({{cx + 1.2f, cy - ry * 0.95f}, {cx + 1.2f, cy - ry * 0.05f}, {cx - 2.4f, cy - ry * 0.5f}});
        return unite(cut(loop, gap), head);
    }
    if (name == "shuffle") {
        auto a = thickLine(cx - rx * 0.5f, cy + ry * 0.35f, cx + rx * 0.3f, cy - ry * 0.35f, 0.7f);
        auto b = thickLine(cx - rx * 0.5f, cy - ry * 0.35f, cx + rx * 0.3f, cy + ry * 0.35f, 0.7f);
        auto h1 = polygon({{cx + rx * 0.22f, cy - ry * 0.8f}, {cx + rx * 0.55f, cy - ry * 0.35f}, {cx + rx * 0.22f, cy + ry * 0.05f}});
        auto h2 = polygon({{cx + rx * 0.22f, cy - ry * 0.05f}, {cx + rx * 0.55f, cy + ry * 0.35f}, {cx + rx * 0.22f, cy + ry * 0.8f}});
        return unite(unite(a, b), unite(h1, h2));
    }
    return [](float, float) { return false; };
}

// --- colour reduction ------------------------------------------------------------------

struct Box {
    std::vector<int> idx;
};

// Median cut to at most n colours over the given pixels.
std::vector<Rgb> medianCut(const std::vector<Rgb>& pixels, size_t n) {
    std::vector<Box> boxes(1);
    for (size_t i = 0; i < pixels.size(); ++i) boxes[0].idx.push_back(int(i));
    auto channel = [&](int i, int c) { const Rgb& p = pixels[size_t(i)]; return c == 0 ? p.r : c == 1 ? p.g : p.b; };
    while (boxes.size() < n) {
        size_t best = 0;
        float bestRange = -1;
        int bestChannel = 0;
        for (size_t bi = 0; bi < boxes.size(); ++bi) {
            if (boxes[bi].idx.size() < 2) continue;
            for (int c = 0; c < 3; ++c) {
                float lo = 1e9f, hi = -1e9f;
                for (int i : boxes[bi].idx) lo = std::min(lo, channel(i, c)), hi = std::max(hi, channel(i, c));
                // weight by population so busy boxes split first
                float range = (hi - lo) * std::sqrt(float(boxes[bi].idx.size()));
                if (range > bestRange) bestRange = range, best = bi, bestChannel = c;
            }
        }
        if (bestRange <= 0) break;
        auto& v = boxes[best].idx;
        std::sort(v.begin(), v.end(), [&](int a, int b) { return channel(a, bestChannel) < channel(b, bestChannel); });
        Box upper;
        upper.idx.assign(v.begin() + long(v.size() / 2), v.end());
        v.resize(v.size() / 2);
        boxes.push_back(std::move(upper));
    }
    std::vector<Rgb> pal;
    for (auto& b : boxes) {
        Rgb sum;
        for (int i : b.idx) sum.r += pixels[size_t(i)].r, sum.g += pixels[size_t(i)].g, sum.b += pixels[size_t(i)].b;
        float k = 1.f / float(b.idx.size());
        pal.push_back({std::round(sum.r * k), std::round(sum.g * k), std::round(sum.b * k)});
    }
    return pal;
}

int nearest(const std::vector<Rgb>& pal, Rgb c) {
    int best = 0;
    float bestD = 1e30f;
    for (size_t i = 0; i < pal.size(); ++i) {
        float dr = pal[i].r - c.r, dg = pal[i].g - c.g, db = pal[i].b - c.b;
        float d = 0.3f * dr * dr + 0.59f * dg * dg + 0.11f * db * db;
        if (d < bestD) bestD = d, best = int(i);
    }
    return best;
}

// --- file writers ----------------------------------------------------------------------

void put16(std::vector<uint8_t>& v, unsigned x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void put32(std::vector<uint8_t>& v, uint32_t x) { put16(v, x & 0xffff); put16(v, x >> 16); }

void infoHeader(std::vector<uint8_t>& v, int w, int h, int bpp, int colours) {
    put32(v, 40); put32(v, uint32_t(w)); put32(v, uint32_t(h)); put16(v, 1); put16(v, unsigned(bpp));
    put32(v, 0); put32(v, 0); put32(v, 2835); put32(v, 2835); put32(v, uint32_t(colours)); put32(v, uint32_t(colours));
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// Bottom-up BMP with a colour table; rows of indices top first.
bool writeIndexedBmp(const std::string& path, int w, int h, int bpp, const std::vector<Rgb>& pal,
                     const std::vector<uint8_t>& indices) {
    int stride = ((w * bpp + 31) / 32) * 4;
    std::vector<uint8_t> body;
    infoHeader(body, w, h, bpp, int(pal.size()));
    for (const Rgb& c : pal) {
        body.push_back(uint8_t(c.b)); body.push_back(uint8_t(c.g)); body.push_back(uint8_t(c.r)); body.push_back(0);
    }
    size_t pixelOffset = 14 + body.size();
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(size_t(stride), 0);
        for (int x = 0; x < w; ++x) {
            uint8_t v = indices[size_t(y) * w + x];
            if (bpp == 8) row[size_t(x)] = v;
            else if (v) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
        body.insert(body.end(), row.begin(), row.end());
    }
    std::vector<uint8_t> file{'B', 'M'};
    put32(file, uint32_t(14 + body.size())); put32(file, 0); put32(file, uint32_t(pixelOffset));
    file.insert(file.end(), body.begin(), body.end());
    return writeFile(path, file);
}

// Icon file with 32-bit images (alpha) and their AND masks.
bool writeIcon(const std::string& path, const std::vector<const Canvas*>& images) {
    std::vector<std::vector<uint8_t>> blobs;
    for (const Canvas* c : images) {
        std::vector<uint8_t> b;
        infoHeader(b, c->w, c->h * 2, 32, 0);
        for (int y = c->h - 1; y >= 0; --y)
            for (int x = 0; x < c->w; ++x) {
                size_t i = size_t(y) * c->w + x;
                float a = c->alpha[i];
                b.push_back(uint8_t(std::clamp(c->px[i].b, 0.f, 255.f)));
                b.push_back(uint8_t(std::clamp(c->px[i].g, 0.f, 255.f)));
                b.push_back(uint8_t(std::clamp(c->px[i].r, 0.f, 255.f)));
                b.push_back(uint8_t(std::lround(a * 255)));
            }
        int maskStride = ((c->w + 31) / 32) * 4;
        for (int y = c->h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(size_t(maskStride), 0);
            for (int x = 0; x < c->w; ++x)
                if (c->alpha[size_t(y) * c->w + x] < 0.5f) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
        blobs.push_back(std::move(b));
    }
    std::vector<uint8_t> file;
    put16(file, 0); put16(file, 1); put16(file, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t k = 0; k < images.size(); ++k) {
        file.push_back(uint8_t(images[k]->w)); file.push_back(uint8_t(images[k]->h));
        file.push_back(0); file.push_back(0); put16(file, 1); put16(file, 32);
        put32(file, uint32_t(blobs[k].size())); put32(file, offset);
        offset += uint32_t(blobs[k].size());
    }
    for (auto& b : blobs) file.insert(file.end(), b.begin(), b.end());
    return writeFile(path, file);
}

// --- the skin --------------------------------------------------------------------------

const Rgb kBodyTop = hex(0x5b7fa6), kBodyBottom = hex(0x1d2f48), kRim = hex(0x0b1320);
const Rgb kHighlight = hex(0xcfe3f7), kFaceLight = hex(0xf4f6f8), kFaceDark = hex(0x8d98a6);
const Rgb kGlyph = hex(0x16263c), kLcdBack = hex(0x0f2a1e), kLcdText = hex(0x7dfcb0);
const Rgb kCloseLight = hex(0xff8a78), kCloseDark = hex(0xa3221a), kAmberLight = hex(0xffe08a), kAmberDark = hex(0xb8790f);

// A pressed button sits deeper: no drop shadow, its face lit from below, the glyph moved
// down and right by a pixel.
void drawButton(Canvas& c, const Button& b, bool pressed) {
    float cx = (b.l + b.r) / 2, cy = (b.t + b.b) / 2, rx = (b.r - b.l) / 2, ry = (b.b - b.t) / 2;
    std::string name = b.name;
    Rgb light = kFaceLight, dark = kFaceDark, glyph = kGlyph;
    if (name == "close") light = kCloseLight, dark = kCloseDark, glyph = hex(0xffffff);
    if (name == "minimise") light = kAmberLight, dark = kAmberDark;
    // everything below lies within the socket, the shadow and the shifted glyph
    c.boxL = b.l - 4, c.boxT = b.t - 4, c.boxR = b.r + 4, c.boxB = b.b + 4;
    // socket: a dark recess slightly larger than the button, then a drop shadow
    c.fill(ellipse(cx, cy, rx + 2.2f, ry + 2.2f), kRim, 0.85f);
    if (!pressed) c.fill(ellipse(cx + 1.2f, cy + 1.4f, rx, ry), hex(0x000000), 0.5f);
    // convex face lit from the upper left; a pressed one is dimmer and lit from the lower right
    const float lx = pressed ? 0.35f : -0.35f, ly = pressed ? 0.4f : -0.4f;
    if (pressed) light = scale(light, 0.82f), dark = scale(dark, 0.72f);
    c.fill(ellipse(cx, cy, rx, ry), [=](float x, float y) {
        float dx = (x - (cx + rx * lx)) / (rx * 1.6f), dy = (y - (cy + ry * ly)) / (ry * 1.6f);
        float t = std::clamp(std::sqrt(dx * dx + dy * dy), 0.f, 1.f);
        return mix(light, dark, t);
    });
    c.fill(ring(cx, cy, rx, ry, pressed ? 1.6f : 1.0f), scale(dark, 0.6f), 0.85f);
    if (!pressed) c.fill(ellipse(cx - rx * 0.3f, cy - ry * 0.38f, rx * 0.35f, ry * 0.22f), hex(0xffffff), 0.3f);
    const float shift = pressed ? 1.f : 0.f;
    auto g = shifted(buttonGlyph(name, cx, cy, rx, ry), shift, shift);
    c.fill(shifted(g, 0.6f, 0.6f), hex(0xffffff), name == "close" || pressed ? 0.f : 0.35f);
    c.fill(g, glyph);
    c.boxL = c.boxT = -1e6f, c.boxR = c.boxB = 1e6f;
}

// The display's colours have fixed places in the skin's colour table, so the program
// draws with them by index: text, the dim progress track, the plate.
const Rgb kLcdDim = mix(kLcdBack, kLcdText, 0.35f);

void drawBody(Canvas& c) {
    auto body = [](float x, float y) { return bodyAt(x, y, 0); };
    // body with a vertical gradient, a broad highlight and a rim
    c.fill(body, kRim);
    c.fill([](float x, float y) { return bodyAt(x, y, 2); }, [](float x, float y) {
        float t = std::clamp((y - 44) / 210.f, 0.f, 1.f);
        Rgb base = mix(kBodyTop, kBodyBottom, t);
        float dx = (x - 60) / 90.f, dy = (y - 80) / 110.f;
        float glow = std::max(0.f, 1.f - std::sqrt(dx * dx + dy * dy));
        return mix(base, kHighlight, glow * 0.35f);
    });
    // bevel: a light upper-left edge and a dark lower-right edge
    c.fill([](float x, float y) { return bodyAt(x, y, 2) && !bodyAt(x + 1.5f, y + 1.5f, 2); }, kHighlight, 0.55f);
    c.fill([](float x, float y) { return bodyAt(x, y, 2) && !bodyAt(x - 1.5f, y - 1.5f, 2); }, hex(0x000000), 0.45f);
    // inner panel line following the outline
    c.fill([](float x, float y) { return bodyAt(x, y, 7) && !bodyAt(x, y, 8); }, hex(0x000000), 0.3f);
    c.fill([](float x, float y) { return bodyAt(x, y, 8) && !bodyAt(x, y, 9); }, kHighlight, 0.18f);

    // speaker grille on the left
    for (int i = 0; i < 6; ++i) {
        float y = 106 + i * 7.f;
        c.fill(roundRect(22, y, 52, y + 3, 1.5f), hex(0x08101c), 0.8f);
        c.fill(roundRect(22, y + 3, 52, y + 4, 0.5f), kHighlight, 0.25f);
    }

    // the display plate, empty: the program writes on it (its area is 110,97 to 171,143)
    c.fill(roundRect(107, 94, 174, 146, 5), kRim);
    c.fill(roundRect(108.5f, 95.5f, 172.5f, 144.5f, 4), [](float, float y) {
        return mix(hex(0x163f2d), kLcdBack, std::clamp((y - 95) / 50.f, 0.f, 1.f));
    });

    // engraved name along the bottom
    std::string name = "LUMEN KORVO 2000";
    float nx = 96 - textWidth(name, 1) / 2;
    c.fill(text(name, nx + 1, 234 + 1, 1), hex(0x000000), 0.6f);
    c.fill(text(name, nx, 234, 1), kHighlight, 0.9f);

    // button wells on the fin
    c.fill(roundRect(168, 69, 192, 93, 5), kRim, 0.7f);
}

// Floyd-Steinberg inside the shape so the gradients do not band.
std::vector<uint8_t> reduce(const Canvas& c, const std::vector<uint8_t>& inside, const std::vector<Rgb>& pal) {
    std::vector<Rgb> work = c.px;
    std::vector<uint8_t> idx(size_t(c.w) * c.h, 0);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            size_t i = size_t(y) * c.w + x;
            if (!inside[i]) continue;
            Rgb want = work[i];
            want = {std::clamp(want.r, 0.f, 255.f), std::clamp(want.g, 0.f, 255.f), std::clamp(want.b, 0.f, 255.f)};
            int k = nearest(pal, want);
            idx[i] = uint8_t(k);
            Rgb err{want.r - pal[size_t(k)].r, want.g - pal[size_t(k)].g, want.b - pal[size_t(k)].b};
            auto spread = [&](int dx, int dy, float f) {
                int xx = x + dx, yy = y + dy;
                if (xx < 0 || xx >= c.w || yy >= c.h) return;
                Rgb& t = work[size_t(yy) * c.w + xx];
                t.r += err.r * f * 0.6f; t.g += err.g * f * 0.6f; t.b += err.b * f * 0.6f;
            };
            spread(1, 0, 7 / 16.f); spread(-1, 1, 3 / 16.f); spread(0, 1, 5 / 16.f); spread(1, 1, 1 / 16.f);
        }
    return idx;
}

// A length of the 96-DPI skin at a scale in percent, rounded as the program rounds it.
int scaled(int v, int percent) { return (v * percent + 50) / 100; }

// The skin, and the same skin with every button pressed (the program shows one button of
// it at a time); both share one colour table. Files of scales above 100 % carry the scale
// in their names (skin_150.bmp).
void drawSkin(const std::string& out, int percent) {
    const int w = scaled(kSkinW, percent), h = scaled(kSkinH, percent);
    Canvas c(w, h, hex(0x000000), float(percent) / 100.f);
    drawBody(c);
    Canvas pressed = c;
    for (const Button& b : kButtons) {
        drawButton(c, b, false);
        drawButton(pressed, b, true);
    }

    // outside the shape is cut away by the window region; keep it black
    std::vector<uint8_t> inside(size_t(w) * h);
    std::vector<Rgb> shapePixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool in = bodyAt((x + 0.5f) / c.k, (y + 0.5f) / c.k, 0);
            inside[size_t(y) * w + x] = in ? 1 : 0;
            if (in) shapePixels.push_back(c.px[size_t(y) * w + x]);
        }
    for (const Button& b : kButtons)
        for (int y = scaled(int(b.t), percent); y < scaled(int(b.b), percent); ++y)
            for (int x = scaled(int(b.l), percent); x < scaled(int(b.r), percent); ++x)
                shapePixels.push_back(pressed.px[size_t(y) * w + x]);
    std::vector<Rgb> pal = medianCut(shapePixels, 124);
    pal.insert(pal.begin(), {Rgb{0, 0, 0}, kLcdText, kLcdDim, kLcdBack});
    while (pal.size() < 128) pal.push_back(Rgb{0, 0, 0});
    const std::string suffix = percent == 100 ? "" : "_" + std::to_string(percent);
    writeIndexedBmp(out + "/skin" + suffix + ".bmp", w, h, 8, pal, reduce(c, inside, pal));
    writeIndexedBmp(out + "/skin_pressed" + suffix + ".bmp", w, h, 8, pal, reduce(pressed, inside, pal));

    // shape: black outside (the key colour at 10,10), white inside
    writeIndexedBmp(out + "/shape" + suffix + ".bmp", w, h, 1, {Rgb{0, 0, 0}, Rgb{255, 255, 255}}, inside);
}

// A glyph of the display font in its 6 x 10 cell: the two top rows hold the marks over
// capitals, so the ASCII letters sit on rows 2-9. Bit 4 the leftmost column.
using GlyphRows = std::array<uint8_t, 10>;

GlyphRows fromHex(const char* hexRows) {
    GlyphRows g{};
    for (int r = 0; r < 8; ++r) g[size_t(r + 2)] = uint8_t(std::stoul(std::string(hexRows + 2 * r, 2), nullptr, 16));
    return g;
}
GlyphRows fromArt(const char* art) {
    GlyphRows g{};
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 5; ++c)
            if (art[r * 6 + c] == '#') g[size_t(r + 2)] |= uint8_t(0x10u >> c);
    return g;
}

// Two rows over the letter (above its first inked row), or one below the line.
void addMark(GlyphRows& g, Mark mark) {
    static const std::array<uint8_t, 2> kAbove[] = {
        {0x08, 0x04}, {0x02, 0x04}, {0x04, 0x0a}, {0x0d, 0x16}, {0x00, 0x0a}, {0x0e, 0x0a},
        {0x0a, 0x04}, {0x11, 0x0e}, {0x00, 0x0e}, {0x00, 0x04}, {0x05, 0x0a},
    };
    if (mark == Mark::Cedilla || mark == Mark::Ogonek) {
        g[9] |= mark == Mark::Cedilla ? 0x0c : 0x03;
        return;
    }
    int top = 0;
    while (top < 10 && !g[size_t(top)]) ++top;
    const auto& rows = kAbove[int(mark)];
    for (int r = 0; r < 2; ++r)
        if (top - 2 + r >= 0) g[size_t(top - 2 + r)] |= rows[size_t(r)];
}

GlyphRows glyphOf(uint32_t cp, bool underMark = false) {
    if (underMark && cp == 'i') cp = 0x131;   // the mark takes the dot's place
    if (underMark && cp == 'j') cp = 0x237;
    if (cp >= 0x20 && cp < 0x7F) return fromHex(kDisplayFont[cp - 0x20]);
    for (const DrawnGlyph& d : kDrawnGlyphs)
        if (d.codePoint == cp) return fromArt(d.rows);
    for (const SameGlyph& s : kSameGlyphs)
        if (s.codePoint == cp) return glyphOf(s.drawnAs, underMark);
    for (const MarkedGlyph& m : kMarkedGlyphs)
        if (m.codePoint == cp) {
            GlyphRows g = glyphOf(m.base, true);
            addMark(g, m.mark);
            return g;
        }
    return fromHex(kDisplayFont[0x7F - 0x20]);   // the box
}

// The display font as a 1-bit atlas of 6 x 10 cells, sixteen to a row, ink white, in the
// order of the program's glyph layout.
void drawDisplayFont(const std::string& out) {
    std::vector<GlyphRows> glyphs;
    for (const korvo::DisplayGlyphRange& r : korvo::kDisplayGlyphRanges)
        for (uint32_t cp = r.first; cp <= r.last; ++cp) glyphs.push_back(glyphOf(cp));
    for (int sign = 0; sign < 3; ++sign) glyphs.push_back(fromHex(kDisplayFont[0x7F - 0x20 + 1 + sign]));
    for (const char* figure : kNarrowFigures) glyphs.push_back(fromArt(figure));
    const int count = int(glyphs.size());
    const int rows = (count + kAtlasColumns - 1) / kAtlasColumns;
    const int w = kAtlasColumns * kCellW, h = rows * kCellH;
    std::vector<uint8_t> ink(size_t(w) * h, 0);
    for (int i = 0; i < count; ++i) {
        int x0 = (i % kAtlasColumns) * kCellW, y0 = (i / kAtlasColumns) * kCellH;
        for (int r = 0; r < kCellH; ++r)
            for (int col = 0; col < 5; ++col)
                if (glyphs[size_t(i)][size_t(r)] & (0x10u >> col)) ink[size_t(y0 + r) * w + size_t(x0 + col)] = 1;
    }
    writeIndexedBmp(out + "/display_font.bmp", w, h, 1, {Rgb{0, 0, 0}, Rgb{255, 255, 255}}, ink);
}

// --- icons -----------------------------------------------------------------------------

using IconPainter = std::function<void(Canvas&, float s)>;   // s = size in pixels

void roundBadge(Canvas& c, float s) {
    float r = s / 2;
    c.fill(ellipse(r, r, r - 0.3f, r - 0.3f), kRim);
    c.fill(ellipse(r, r, r - s / 16, r - s / 16), [=](float x, float y) {
        return mix(kBodyTop, kBodyBottom, std::clamp((x + y) / (2 * s), 0.f, 1.f));
    });
}

void playGlyph(Canvas& c, float s, Rgb col) {
    c.fill(polygon({{s * 0.36f, s * 0.25f}, {s * 0.36f, s * 0.75f}, {s * 0.78f, s * 0.5f}}), col);
}

// Big-endian numbers and the checksums of a PNG file.
void putBig32(std::vector<uint8_t>& v, uint32_t x) {
    for (int shift = 24; shift >= 0; shift -= 8) v.push_back(uint8_t(x >> shift));
}
uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}
void pngChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data) {
    putBig32(file, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    putBig32(file, crc32(body.data(), body.size()));
}

// RGBA PNG, not premultiplied; the image data in stored (uncompressed) deflate blocks, which
// every reader takes and no library is needed for.
bool writePng(const std::string& path, const Canvas& c) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < c.h; ++y) {
        raw.push_back(0);   // no filter
        for (int x = 0; x < c.w; ++x) {
            size_t i = size_t(y) * c.w + x;
            float a = c.alpha[i];
            float k = a > 0 ? 1 / a : 0;
            raw.push_back(uint8_t(std::clamp(c.px[i].r * k, 0.f, 255.f)));
            raw.push_back(uint8_t(std::clamp(c.px[i].g * k, 0.f, 255.f)));
            raw.push_back(uint8_t(std::clamp(c.px[i].b * k, 0.f, 255.f)));
            raw.push_back(uint8_t(std::lround(a * 255)));
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    constexpr size_t kStoredMax = 65535;
    for (size_t at = 0; at < raw.size(); at += kStoredMax) {
        size_t n = std::min(kStoredMax, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        put16(z, unsigned(n));
        put16(z, unsigned(~n & 0xffff));
        z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    }
    uint32_t s1 = 1, s2 = 0;
    for (uint8_t b : raw) {
        s1 = (s1 + b) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    putBig32(z, (s2 << 16) | s1);
    std::vector<uint8_t> header;
    putBig32(header, uint32_t(c.w));
    putBig32(header, uint32_t(c.h));
    header.insert(header.end(), {8, 6, 0, 0, 0});   // 8 bits, RGBA, deflate, no filter, no interlace
    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    pngChunk(file, "IHDR", header);
    pngChunk(file, "IDAT", z);
    pngChunk(file, "IEND", {});
    return writeFile(path, file);
}

void page(Canvas& c, float s) {
    float l = s * 0.16f, r = s * 0.84f, t = s * 0.04f, b = s * 0.96f, fold = s * 0.25f;
    c.fill(polygon({{l, t}, {r - fold, t}, {r, t + fold}, {r, b}, {l, b}}), hex(0x44505e));
    float e = std::max(1.f, s / 32);
    c.fill(polygon({{l + e, t + e}, {r - fold, t + e}, {r - e, t + fold}, {r - e, b - e}, {l + e, b - e}}), hex(0xf7f9fb));
    c.fill(polygon({{r - fold, t + e}, {r - fold, t + fold}, {r - e, t + fold}}), hex(0xc9d2dc));
}

void writeIconFile(const std::string& path, const IconPainter& paint) {
    Canvas small(16, 16), large(32, 32);
    paint(small, 16);
    paint(large, 32);
    writeIcon(path, {&small, &large});
}

// The program's icon, on Windows and on the Linux desktop.
void paintProgram(Canvas& c, float s) {
    roundBadge(c, s);
    c.fill(ellipse(s * 0.38f, s * 0.32f, s * 0.22f, s * 0.12f), hex(0xffffff), 0.25f);
    playGlyph(c, s, kLcdText);
}

bool drawDesktopIcons(const std::string& out) {
    for (int size : {48, 128}) {
        Canvas c(size, size);
        paintProgram(c, float(size));
        if (!writePng(out + "/korvo_" + std::to_string(size) + ".png", c)) return false;
    }
    return true;
}

void drawIcons(const std::string& out) {
    // 101: the program
    writeIconFile(out + "/app.ico", paintProgram);
    // tray icons: progress in eleven steps, 0 % to 100 %
    for (int step = 0; step <= 10; ++step) {
        writeIconFile(out + "/tray" + std::to_string(step) + ".ico", [step](Canvas& c, float s) {
            float r = s / 2;
            c.fill(ellipse(r, r, r - 0.3f, r - 0.3f), kRim);
            c.fill(ellipse(r, r, r - s / 10, r - s / 10), hex(0x2b3f58));
            float frac = step / 10.f;
            const float kPi = 3.14159265f;
            c.fill([=](float x, float y) {
                float dx = x - r, dy = y - r;
                if (dx * dx + dy * dy > (r - s / 10) * (r - s / 10)) return false;
                float a = std::atan2(dx, -dy);    // 0 at the top, clockwise
                if (a < 0) a += 2 * kPi;
                return a <= frac * 2 * kPi;
            }, kLcdText);
            c.fill(ellipse(r, r, s * 0.17f, s * 0.17f), kRim);
        });
    }
    // 132: playlist editor
    writeIconFile(out + "/playlist.ico", [](Canvas& c, float s) {
        c.fill(roundRect(s * 0.06f, s * 0.06f, s * 0.94f, s * 0.94f, s / 8), kRim);
        c.fill(roundRect(s * 0.12f, s * 0.12f, s * 0.88f, s * 0.88f, s / 10), kBodyTop);
        for (int i = 0; i < 4; ++i) {
            float y = s * (0.24f + i * 0.16f);
            c.fill(roundRect(s * 0.22f, y, s * 0.78f, y + s * 0.09f, s / 32), i == 1 ? kLcdText : hex(0xeef3f8));
        }
    });
    // 133, 134: document icons of audio files and playlist files
    writeIconFile(out + "/doc_audio.ico", [](Canvas& c, float s) {
        page(c, s);
        c.fill(ellipse(s * 0.4f, s * 0.72f, s * 0.11f, s * 0.08f), kBodyBottom);
        c.fill(roundRect(s * 0.47f, s * 0.28f, s * 0.53f, s * 0.72f, 0), kBodyBottom);
        c.fill(polygon({{s * 0.5f, s * 0.28f}, {s * 0.7f, s * 0.38f}, {s * 0.7f, s * 0.46f}, {s * 0.5f, s * 0.36f}}), kBodyBottom);
    });
    writeIconFile(out + "/doc_list.ico", [](Canvas& c, float s) {
        page(c, s);
        for (int i = 0; i < 4; ++i) {
            float y = s * (0.34f + i * 0.14f);
            c.fill(roundRect(s * 0.28f, y, s * 0.72f, y + s * 0.07f, 0), i == 0 ? hex(0x1d7a4a) : kBodyBottom);
        }
    });
    // mini controller buttons
    auto button = [](const std::string& name) {
        return [name](Canvas& c, float s) {
            c.fill(ellipse(s / 2, s / 2, s / 2 - 0.3f, s / 2 - 0.3f), kFaceDark);
            c.fill(ellipse(s / 2, s / 2, s / 2 - s / 14, s / 2 - s / 14), kFaceLight);
            c.fill(buttonGlyph(name, s / 2, s / 2, s / 2, s / 2), kGlyph);
        };
    };
    writeIconFile(out + "/mini_pause.ico", button("pause"));
    writeIconFile(out + "/mini_play.ico", button("play"));
    writeIconFile(out + "/mini_stop.ico", button("stop"));
    writeIconFile(out + "/mini_next.ico", button("next"));
    writeIconFile(out + "/mini_prev.ico", button("previous"));
}

} // namespace

int main(int argc, char** argv) {
    const bool desktop = argc == 3 && std::string(argv[2]) == "desktop";
    if (argc != 2 && !desktop) {
        std::fprintf(stderr, "usage: korvo_art OUTDIR [desktop]\n");
        return 2;
    }
    std::string out = argv[1];
    if (desktop) return drawDesktopIcons(out) ? 0 : 1;
    for (int percent : {100, 125, 150, 175, 200, 250, 300}) drawSkin(out, percent);
    drawDisplayFont(out);
    drawIcons(out);
    return 0;
}
