// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes a Windows .ico from XPM pixel data, so that res/*.xpm stay
// the one source of the program's icons.
//
//   xpm2ico OUT.ico IMAGE.xpm[*N]:BITS [IMAGE.xpm[*N]:BITS ...]
//
// BITS is 4 or 8 (palette; the XPM's colours must fit), 32 (BGRA with
// alpha) or png (RGBA, PNG-compressed, as Windows takes its 256 px images).
// *N scales the picture by the whole number N, each pixel N x N, so pixel
// art stays crisp. The colour "None" is transparent: set in the AND mask,
// and alpha 0.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Image {
    int width = 0, height = 0;
    // Per pixel: index into colours, or -1 for transparent.
    std::vector<int> pixels;
    std::vector<std::uint32_t> colours;  // 0xRRGGBB
};

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

// The quoted strings of the C array, in order.
std::vector<std::string> quoted_strings(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            if (end == std::string::npos) fail("unterminated comment");
            i = end + 2;
            continue;
        }
        if (text[i] != '"') {
            ++i;
            continue;
        }
        std::string s;
        for (++i; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            s += text[i];
        }
        if (i >= text.size()) fail("unterminated string");
        ++i;
        out.push_back(s);
    }
    return out;
}

std::uint32_t parse_colour(const std::string& spec, bool& transparent) {
    transparent = false;
    if (spec == "None" || spec == "none") {
        transparent = true;
        return 0;
    }
    if (spec.size() == 7 && spec[0] == '#') return static_cast<std::uint32_t>(std::stoul(spec.substr(1), nullptr, 16));
    fail("unsupported colour '" + spec + "' (use #RRGGBB or None)");
}

Image read_xpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read " + path);
    std::stringstream buf;
    buf << in.rdbuf();
    const std::vector<std::string> s = quoted_strings(buf.str());
    if (s.empty()) fail(path + ": no XPM data");
    Image img;
    int ncolours = 0, cpp = 0;
    if (std::sscanf(s[0].c_str(), "%d %d %d %d", &img.width, &img.height, &ncolours, &cpp) != 4 || img.width <= 0 ||
        img.height <= 0 || ncolours <= 0 || cpp <= 0)
        fail(path + ": bad XPM header");
    if (s.size() < static_cast<std::size_t>(1 + ncolours + img.height)) fail(path + ": XPM data too short");
    std::map<std::string, int> index;  // key -> palette index or -1
    for (int c = 0; c < ncolours; ++c) {
        const std::string& line = s[1 + c];
        if (line.size() < static_cast<std::size_t>(cpp)) fail(path + ": bad colour line");
        const std::string key = line.substr(0, cpp);
        std::istringstream rest(line.substr(cpp));
        std::string word, spec;
        while (rest >> word)
            if (word == "c") rest >> spec;
        if (spec.empty()) fail(path + ": colour line without a 'c' colour");
        bool transparent = false;
        const std::uint32_t rgb = parse_colour(spec, transparent);
        if (transparent) {
            index[key] = -1;
        } else {
            index[key] = static_cast<int>(img.colours.size());
            img.colours.push_back(rgb);
        }
    }
    for (int y = 0; y < img.height; ++y) {
        const std::string& row = s[1 + ncolours + y];
        if (row.size() != static_cast<std::size_t>(img.width * cpp)) fail(path + ": row of the wrong length");
        for (int x = 0; x < img.width; ++x) {
            auto it = index.find(row.substr(static_cast<std::size_t>(x * cpp), cpp));
            if (it == index.end()) fail(path + ": pixel with an undefined colour");
            img.pixels.push_back(it->second);
        }
    }
    return img;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

Image scaled(const Image& img, int n) {
    if (n == 1) return img;
    Image out = img;
    out.width = img.width * n;
    out.height = img.height * n;
    out.pixels.clear();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(img.pixels[static_cast<std::size_t>((y / n) * img.width + x / n)]);
    return out;
}

// --- PNG, with a deflate of its own: the tool needs nothing but the compiler.

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

class BitWriter {
public:
    // Deflate packs bits from the least significant end.
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            if (used_ == 0) out.push_back(0);
            out.back() |= static_cast<std::uint8_t>(((value >> i) & 1u) << used_);
            used_ = (used_ + 1) % 8;
        }
    }
    // Huffman codes go most significant bit first.
    void code(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bits((value >> i) & 1u, 1);
    }
    std::vector<std::uint8_t> out;

private:
    int used_ = 0;
};

// The fixed Huffman code of a literal or length symbol.
void fixed_symbol(BitWriter& w, int sym) {
    if (sym < 144) w.code(0x30 + sym, 8);
    else if (sym < 256) w.code(0x190 + sym - 144, 9);
    else if (sym < 280) w.code(sym - 256, 7);
    else w.code(0xC0 + sym - 280, 8);
}

// One fixed-Huffman block with LZ77 matches found through hash chains.
std::vector<std::uint8_t> deflate(const std::vector<std::uint8_t>& in) {
    static const int len_base[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int len_extra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int dist_base[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int dist_extra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    constexpr int kWindow = 32768, kMaxChain = 256;
    BitWriter w;
    w.bits(1, 1);  // the last block
    w.bits(1, 2);  // fixed codes
    std::vector<int> head(1 << 15, -1), prev(in.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((in[i] << 10) ^ (in[i + 1] << 5) ^ in[i + 2]) & 0x7FFF;
    };
    auto insert = [&](std::size_t i) {
        if (i + 2 >= in.size()) return;
        const int h = hash(i);
        prev[i] = head[h];
        head[h] = static_cast<int>(i);
    };
    std::size_t i = 0;
    while (i < in.size()) {
        int best = 0, best_dist = 0;
        if (i + 2 < in.size()) {
            int chain = kMaxChain;
            for (int j = head[hash(i)]; j >= 0 && static_cast<int>(i) - j <= kWindow && chain-- > 0; j = prev[j]) {
                int n = 0;
                while (n < 258 && i + n < in.size() && in[j + n] == in[i + n]) ++n;
                if (n > best) {
                    best = n;
                    best_dist = static_cast<int>(i) - j;
                }
            }
        }
        if (best >= 3) {
            int c = 28;
            while (len_base[c] > best) --c;
            fixed_symbol(w, 257 + c);
            w.bits(static_cast<std::uint32_t>(best - len_base[c]), len_extra[c]);
            int d = 29;
            while (dist_base[d] > best_dist) --d;
            w.code(static_cast<std::uint32_t>(d), 5);
            w.bits(static_cast<std::uint32_t>(best_dist - dist_base[d]), dist_extra[d]);
            for (int k = 0; k < best; ++k) insert(i + k);
            i += static_cast<std::size_t>(best);
        } else {
            fixed_symbol(w, in[i]);
            insert(i);
            ++i;
        }
    }
    fixed_symbol(w, 256);
    return w.out;
}

void put32be(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    put32be(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32be(out, crc32(body.data(), body.size()));
}

// An RGBA PNG. Each row takes the filter (none, left, above) whose bytes
// come nearest zero, so repeated pixels and rows become runs.
std::vector<std::uint8_t> png_image(const Image& img) {
    const std::size_t stride = static_cast<std::size_t>(img.width) * 4;
    std::vector<std::uint8_t> rgba;
    for (int p : img.pixels) {
        const std::uint32_t c = p < 0 ? 0 : img.colours[static_cast<std::size_t>(p)];
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                 static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(p < 0 ? 0 : 255)});
    }
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* row = &rgba[y * stride];
        const std::uint8_t* above = y > 0 ? row - stride : nullptr;
        std::vector<std::uint8_t> best;
        long best_cost = -1;
        for (int filter = 0; filter < 3; ++filter) {
            if (filter == 2 && !above) continue;
            std::vector<std::uint8_t> f{static_cast<std::uint8_t>(filter)};
            long cost = 0;
            for (std::size_t x = 0; x < stride; ++x) {
                const std::uint8_t ref = filter == 1 ? (x >= 4 ? row[x - 4] : 0) : filter == 2 ? above[x] : 0;
                const auto v = static_cast<std::uint8_t>(row[x] - ref);
                f.push_back(v);
                cost += v < 128 ? v : 256 - v;
            }
            if (best_cost < 0 || cost < best_cost) {
                best_cost = cost;
                best = std::move(f);
            }
        }
        raw.insert(raw.end(), best.begin(), best.end());
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    const std::vector<std::uint8_t> packed = deflate(raw);
    z.insert(z.end(), packed.begin(), packed.end());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    put32be(z, (b << 16) | a);
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    put32be(ihdr, static_cast<std::uint32_t>(img.width));
    put32be(ihdr, static_cast<std::uint32_t>(img.height));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits a channel, RGBA
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), palette,
// XOR bits and AND mask, rows bottom-up, each padded to four bytes.
std::vector<std::uint8_t> icon_image(const Image& img, int bits) {
    const int palette = bits <= 8 ? 1 << bits : 0;
    if (bits <= 8 && static_cast<int>(img.colours.size()) > palette)
        fail(std::to_string(img.colours.size()) + " colours do not fit " + std::to_string(bits) + " bits");
    const int xor_stride = ((img.width * bits + 31) / 32) * 4;
    const int and_stride = ((img.width + 31) / 32) * 4;
    std::vector<std::uint8_t> out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(img.width));
    put32(out, static_cast<std::uint32_t>(img.height * 2));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, static_cast<std::uint32_t>((xor_stride + and_stride) * img.height));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);  // all palette entries used
    put32(out, 0);
    for (int i = 0; i < palette; ++i) {
        const std::uint32_t c = i < static_cast<int>(img.colours.size()) ? img.colours[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(0);
    }
    for (int y = img.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(xor_stride), 0);
        for (int x = 0; x < img.width; ++x) {
            const int p = img.pixels[static_cast<std::size_t>(y * img.width + x)];
            if (bits == 32) {
                const std::uint32_t c = p < 0 ? 0 : img.colours[static_cast<std::size_t>(p)];
                std::uint8_t* q = &row[static_cast<std::size_t>(x * 4)];
                q[0] = static_cast<std::uint8_t>(c);
                q[1] = static_cast<std::uint8_t>(c >> 8);
                q[2] = static_cast<std::uint8_t>(c >> 16);
                q[3] = p < 0 ? 0 : 255;
            } else {
                const unsigned v = p < 0 ? 0u : static_cast<unsigned>(p);
                const int bit = x * bits;
                row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = img.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(and_stride), 0);
        for (int x = 0; x < img.width; ++x)
            if (img.pixels[static_cast<std::size_t>(y * img.width + x)] < 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: xpm2ico OUT.ico IMAGE.xpm[*N]:BITS...\n");
        return 2;
    }
    try {
        struct Entry {
            int width, height, bits, colours;
            std::vector<std::uint8_t> data;
        };
        std::vector<Entry> entries;
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            const std::size_t colon = arg.rfind(':');
            if (colon == std::string::npos) fail("missing :BITS in " + arg);
            const std::string depth = arg.substr(colon + 1);
            const bool png = depth == "png";
            const int bits = png ? 32 : std::stoi(depth);
            if (bits != 4 && bits != 8 && bits != 32) fail("BITS must be 4, 8, 32 or png");
            std::string path = arg.substr(0, colon);
            int scale = 1;
            if (const std::size_t star = path.rfind('*'); star != std::string::npos) {
                scale = std::stoi(path.substr(star + 1));
                path.erase(star);
                if (scale < 1 || scale > 16) fail("the scale must be 1 to 16");
            }
            const Image img = scaled(read_xpm(path), scale);
            if (img.width > 256 || img.height > 256) fail("icons are at most 256 pixels");
            entries.push_back({img.width, img.height, bits, bits <= 8 ? 1 << bits : 0,
                               png ? png_image(img) : icon_image(img, bits)});
        }
        std::vector<std::uint8_t> out;
        put16(out, 0);
        put16(out, 1);  // icon
        put16(out, static_cast<unsigned>(entries.size()));
        std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
        for (const Entry& e : entries) {
            out.push_back(static_cast<std::uint8_t>(e.width == 256 ? 0 : e.width));
            out.push_back(static_cast<std::uint8_t>(e.height == 256 ? 0 : e.height));
            out.push_back(static_cast<std::uint8_t>(e.colours >= 256 ? 0 : e.colours));
            out.push_back(0);
            put16(out, 1);
            put16(out, static_cast<unsigned>(e.bits));
            put32(out, static_cast<std::uint32_t>(e.data.size()));
            put32(out, offset);
            offset += static_cast<std::uint32_t>(e.data.size());
        }
        for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
        std::ofstream file(argv[1], std::ios::binary);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (!file) fail(std::string("cannot write ") + argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "xpm2ico: %s\n", e.what());
        return 1;
    }
    return 0;
}
