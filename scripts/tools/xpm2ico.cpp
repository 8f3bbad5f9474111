// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes a Windows .ico from XPM pixel data, so that res/*.xpm stay
// the one source of the program's icons.
//
//   xpm2ico OUT.ico IMAGE.xpm:BITS [IMAGE.xpm:BITS ...]
//
// BITS is 4 or 8 (palette; the XPM's colours must fit) or 32 (BGRA with
// alpha). The colour "None" is transparent: set in the AND mask, and alpha 0.
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
        std::fprintf(stderr, "usage: xpm2ico OUT.ico IMAGE.xpm:BITS...\n");
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
            const int bits = std::stoi(arg.substr(colon + 1));
            if (bits != 4 && bits != 8 && bits != 32) fail("BITS must be 4, 8 or 32");
            const Image img = read_xpm(arg.substr(0, colon));
            if (img.width > 256 || img.height > 256) fail("icons are at most 256 pixels");
            entries.push_back({img.width, img.height, bits, bits <= 8 ? 1 << bits : 0, icon_image(img, bits)});
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
