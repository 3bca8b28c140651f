#include "platform/image/demo/TreeBuilding.h"

#include "platform/ini/Profile.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace hivelet::image::demo {

uint64_t Random::Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

uint32_t Random::Below(uint32_t n) {
    return static_cast<uint32_t>(Next() % n);
}

std::vector<uint8_t> Random::Bytes(size_t n) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<uint8_t>(Next());
    }
    return out;
}

std::string Random::Word(size_t minLen, size_t maxLen) {
    static const char* const syllables[] = {
        "ab", "ac", "al", "an", "ar", "as", "at", "be", "ce", "co", "da", "de", "di",
        "el", "en", "er", "es", "ex", "fi", "ge", "in", "io", "is", "it", "lo", "ma",
        "me", "mi", "na", "ne", "no", "or", "pa", "po", "ra", "re", "ri", "ro", "sa",
        "se", "si", "ta", "te", "ti", "to", "tr", "un", "ur", "ve", "vi"};
    size_t len = Between(static_cast<uint32_t>(minLen), static_cast<uint32_t>(maxLen));
    std::string w;
    while (w.size() < len) {
        w += syllables[Below(sizeof syllables / sizeof *syllables)];
    }
    w.resize(len);
    w[0] = static_cast<char>(w[0] - 'a' + 'A');
    return w;
}

std::string Random::Guid() {
    char text[40];
    uint64_t a = Next(), b = Next();
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}",
                  static_cast<unsigned>(a >> 32), static_cast<unsigned>((a >> 16) & 0xffff),
                  static_cast<unsigned>(a & 0xffff), static_cast<unsigned>(b >> 48),
                  static_cast<unsigned long long>(b & 0xffffffffffffull));
    return text;
}

uint64_t Random::FileTime() {
    constexpr uint64_t from = 131905152000000000ull; // 2019-01-01
    constexpr uint64_t span = 6ull * 365 * 24 * 3600 * 10000000ull;
    return from + Next() % span;
}

std::vector<uint8_t> Utf16(std::string_view utf8, bool terminated) {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t u) {
        out.push_back(static_cast<uint8_t>(u));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp;
        size_t n;
        if (c < 0x80) {
            cp = c, n = 1;
        } else if ((c >> 5) == 6) {
            cp = c & 0x1f, n = 2;
        } else if ((c >> 4) == 14) {
            cp = c & 0x0f, n = 3;
        } else {
            cp = c & 0x07, n = 4;
        }
        if (i + n > utf8.size()) {
            throw std::invalid_argument("truncated UTF-8");
        }
        for (size_t k = 1; k < n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xd800 + (cp >> 10));
            put(0xdc00 + (cp & 0x3ff));
        } else {
            put(cp);
        }
    }
    if (terminated) {
        put(0);
    }
    return out;
}

regf::Value Sz(std::string name, std::string_view text, uint32_t t) {
    return {std::move(name), t, Utf16(text)};
}

regf::Value MultiSz(std::string name, const std::vector<std::string>& items) {
    std::vector<uint8_t> data;
    for (const std::string& s : items) {
        std::vector<uint8_t> u = Utf16(s);
        data.insert(data.end(), u.begin(), u.end());
    }
    data.push_back(0);
    data.push_back(0);
    return {std::move(name), type::MultiSz, std::move(data)};
}

regf::Value Dword(std::string name, uint32_t v) {
    return {std::move(name),
            type::Dword,
            {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
             static_cast<uint8_t>(v >> 24)}};
}

regf::Value DwordBigEndian(std::string name, uint32_t v) {
    return {std::move(name),
            type::DwordBigEndian,
            {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
             static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}};
}

regf::Value Qword(std::string name, uint64_t v) {
    std::vector<uint8_t> data(8);
    for (int i = 0; i < 8; ++i) {
        data[i] = static_cast<uint8_t>(v >> (8 * i));
    }
    return {std::move(name), type::Qword, std::move(data)};
}

regf::Value Raw(std::string name, uint32_t t, std::vector<uint8_t> data) {
    return {std::move(name), t, std::move(data)};
}

regf::Key& Child(regf::Key& parent, const std::string& name, uint64_t time) {
    for (regf::Key& k : parent.subkeys) {
        if (ini::SameNoCase(k.name, name)) {
            return k;
        }
    }
    regf::Key k;
    k.name = name;
    k.lastWritten = time;
    parent.subkeys.push_back(std::move(k));
    return parent.subkeys.back();
}

regf::Key& Path(regf::Key& root, std::string_view path, uint64_t time) {
    regf::Key* k = &root;
    while (!path.empty()) {
        size_t sep = path.find('\\');
        k = &Child(*k, std::string(path.substr(0, sep)), time);
        path = sep == std::string_view::npos ? std::string_view{} : path.substr(sep + 1);
    }
    return *k;
}

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xffff);
    Put16(b, at + 2, v >> 16);
}

std::vector<uint8_t> SidBytes(const std::string& text) {
    // "S-1-<authority>-<sub>-<sub>..."
    std::vector<uint64_t> parts;
    size_t pos = 2;
    while (pos <= text.size()) {
        size_t dash = text.find('-', pos);
        parts.push_back(std::stoull(text.substr(pos, dash - pos)));
        pos = dash == std::string::npos ? text.size() + 1 : dash + 1;
    }
    if (text.rfind("S-", 0) != 0 || parts.size() < 2 || parts[0] != 1) {
        throw std::invalid_argument("bad SID " + text);
    }
    std::vector<uint8_t> sid(8 + 4 * (parts.size() - 2));
    sid[0] = 1;
    sid[1] = static_cast<uint8_t>(parts.size() - 2);
    for (int i = 0; i < 6; ++i) {
        sid[2 + i] = static_cast<uint8_t>(parts[1] >> (8 * (5 - i)));
    }
    for (size_t i = 2; i < parts.size(); ++i) {
        Put32(sid, 8 + 4 * (i - 2), static_cast<uint32_t>(parts[i]));
    }
    return sid;
}

} // namespace

std::vector<uint8_t> SecurityDescriptor(const std::string& owner, const std::string& group,
                                        const std::vector<Ace>& dacl) {
    // Self-relative layout: 20-byte header, owner SID, group SID, DACL (8-byte header, ACEs).
    const std::vector<uint8_t> o = SidBytes(owner), g = SidBytes(group);
    std::vector<std::vector<uint8_t>> sids;
    size_t aclSize = 8;
    for (const Ace& a : dacl) {
        sids.push_back(SidBytes(a.sid));
        aclSize += 8 + sids.back().size();
    }
    const size_t ownerAt = 20, groupAt = ownerAt + o.size(), aclAt = groupAt + g.size();
    std::vector<uint8_t> sd(aclAt + aclSize);
    sd[0] = 1;                                       // SECURITY_DESCRIPTOR_REVISION
    Put16(sd, 2, 0x8000 | 0x1000 | 0x0400 | 0x0004); // self-relative, protected DACL present
    Put32(sd, 4, static_cast<uint32_t>(ownerAt));
    Put32(sd, 8, static_cast<uint32_t>(groupAt));
    Put32(sd, 12, 0); // no SACL
    Put32(sd, 16, static_cast<uint32_t>(aclAt));
    std::copy(o.begin(), o.end(), sd.begin() + static_cast<std::ptrdiff_t>(ownerAt));
    std::copy(g.begin(), g.end(), sd.begin() + static_cast<std::ptrdiff_t>(groupAt));
    sd[aclAt] = 2; // ACL_REVISION
    Put16(sd, aclAt + 2, static_cast<uint32_t>(aclSize));
    Put16(sd, aclAt + 4, static_cast<uint32_t>(dacl.size()));
    size_t at = aclAt + 8;
    for (size_t i = 0; i < dacl.size(); ++i) {
        sd[at] = 0; // ACCESS_ALLOWED_ACE_TYPE
        sd[at + 1] = dacl[i].flags;
        Put16(sd, at + 2, static_cast<uint32_t>(8 + sids[i].size()));
        Put32(sd, at + 4, dacl[i].mask);
        std::copy(sids[i].begin(), sids[i].end(), sd.begin() + static_cast<std::ptrdiff_t>(at + 8));
        at += 8 + sids[i].size();
    }
    return sd;
}

TreeCounts Count(const regf::Key& root) {
    TreeCounts c;
    c.keys = 1;
    c.values = root.values.size();
    for (const regf::Value& v : root.values) {
        c.valueBytes += v.data.size();
    }
    for (const regf::Key& k : root.subkeys) {
        TreeCounts s = Count(k);
        c.keys += s.keys;
        c.values += s.values;
        c.valueBytes += s.valueBytes;
    }
    return c;
}

} // namespace hivelet::image::demo
