#include "platform/regf/Names.h"

#include <array>

namespace hivelet::regf {
namespace {

struct UpcaseRun {
    uint16_t first;
    uint16_t count;
    uint16_t stride;
    int32_t delta;
};

constexpr UpcaseRun kRuns[] = {
#include "platform/regf/UpcaseTable.inc"
};

// Every unit of `map` mapped to its uppercase form.
template <size_t N> constexpr void FillUpcase(std::array<uint16_t, N>& map) {
    for (uint32_t i = 0; i < N; ++i) {
        map[i] = static_cast<uint16_t>(i);
    }
    for (const UpcaseRun& run : kRuns) {
        for (uint32_t k = 0; k < run.count; ++k) {
            uint32_t from = run.first + k * run.stride;
            if (from < N) {
                map[from] = static_cast<uint16_t>(static_cast<int32_t>(from) + run.delta);
            }
        }
    }
}

// Units below U+0100, which are all of a compressed name's and most of a UTF-16 name's: a table
// the compiler builds.
constexpr std::array<uint16_t, 256> kLatin1 = [] {
    std::array<uint16_t, 256> map{};
    FillUpcase(map);
    return map;
}();

// The whole plane, built when a name first needs it: 128 KiB to fill, which most hives never do.
struct UpcaseTable {
    std::array<uint16_t, 65536> map{};
    UpcaseTable() { FillUpcase(map); }
};

const UpcaseTable& Table() {
    static const UpcaseTable table;
    return table;
}

inline uint16_t UpcaseUnit(uint16_t unit) {
    return unit < kLatin1.size() ? kLatin1[unit] : Table().map[unit];
}

} // namespace

uint16_t Upcase(uint16_t unit) {
    return UpcaseUnit(unit);
}

int CompareNames(const NameRef& a, const NameRef& b) {
    uint32_t na = a.units();
    uint32_t nb = b.units();
    uint32_t n = na < nb ? na : nb;
    if (a.compressed && b.compressed) {
        for (uint32_t i = 0; i < n; ++i) {
            uint16_t ca = kLatin1[a.data[i]];
            uint16_t cb = kLatin1[b.data[i]];
            if (ca != cb) {
                return ca < cb ? -1 : 1;
            }
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            uint16_t ca = UpcaseUnit(a.unit(i));
            uint16_t cb = UpcaseUnit(b.unit(i));
            if (ca != cb) {
                return ca < cb ? -1 : 1;
            }
        }
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

uint32_t NameHash(const NameRef& name) {
    // Four units a step, h * 37^4 + u0 * 37^3 + u1 * 37^2 + u2 * 37 + u3, which is the same sum
    // modulo 2^32: the one multiply-add chain per unit would otherwise bound the speed.
    constexpr uint32_t k1 = 37;
    constexpr uint32_t k2 = k1 * k1;
    constexpr uint32_t k3 = k2 * k1;
    constexpr uint32_t k4 = k2 * k2;
    const uint32_t n = name.units();
    const uint8_t* d = name.data;
    uint32_t h = 0;
    uint32_t i = 0;
    if (name.compressed) {
        for (; i + 4 <= n; i += 4) {
            h = h * k4 + kLatin1[d[i]] * k3 + kLatin1[d[i + 1]] * k2 + kLatin1[d[i + 2]] * k1 +
                kLatin1[d[i + 3]];
        }
        for (; i < n; ++i) {
            h = h * k1 + kLatin1[d[i]];
        }
        return h;
    }
    auto unit = [d](uint32_t k) { return static_cast<uint16_t>(d[2 * k] | (d[2 * k + 1] << 8)); };
    for (; i + 4 <= n; i += 4) {
        h = h * k4 + UpcaseUnit(unit(i)) * k3 + UpcaseUnit(unit(i + 1)) * k2 +
            UpcaseUnit(unit(i + 2)) * k1 + UpcaseUnit(unit(i + 3));
    }
    for (; i < n; ++i) {
        h = h * k1 + UpcaseUnit(unit(i));
    }
    return h;
}

uint32_t NameHint(const NameRef& name) {
    uint32_t hint = 0;
    uint32_t n = name.units() < 4 ? name.units() : 4;
    for (uint32_t i = 0; i < n; ++i) {
        uint16_t c = name.unit(i);
        if (c > 0xFF) {
            return 0;
        }
        hint |= static_cast<uint32_t>(c) << (8 * i);
    }
    return hint;
}

std::u16string NameUnits(const NameRef& name) {
    std::u16string units(name.units(), u'\0');
    for (uint32_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(name.unit(i));
    }
    return units;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& units) {
    units.clear();
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        uint32_t c = s[i];
        size_t len;
        uint32_t min;
        if (c < 0x80) {
            len = 1;
            min = 0;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            c &= 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            c &= 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            c &= 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + len > n) {
            return false;
        }
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF) {
            return false;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
        i += len;
    }
    return true;
}

void EncodeName(const std::u16string& units, std::vector<uint8_t>& bytes, bool& compressed) {
    compressed = true;
    for (char16_t c : units) {
        if (c > 0xFF) {
            compressed = false;
            break;
        }
    }
    bytes.clear();
    if (compressed) {
        bytes.assign(units.begin(), units.end());
        return;
    }
    bytes.reserve(units.size() * 2);
    for (char16_t c : units) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
}

namespace {
void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendEscape(std::string& out, uint32_t c) {
    static const char* digits = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(digits[(c >> shift) & 0xF]);
    }
}
} // namespace

void AppendEscaped(std::string& out, const std::u16string& units) {
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c == '\\' || c == '"') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            AppendEscape(out, c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                   units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendEscape(out, c);
        } else {
            AppendUtf8(out, c);
        }
    }
}

} // namespace hivelet::regf
