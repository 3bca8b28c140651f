// Name order, hashes and hints decide whether Windows finds a key at all: a list in the wrong
// order or with a wrong hash enumerates fine but fails lookups.
#include "platform/regf/Names.h"

#include <gtest/gtest.h>

#include <vector>

namespace hivelet::regf {
namespace {

struct Stored {
    std::vector<uint8_t> bytes;
    bool compressed;
    NameRef ref() const { return {bytes.data(), static_cast<uint32_t>(bytes.size()), compressed}; }
};

Stored Utf16(std::u16string units) {
    Stored s{{}, false};
    for (char16_t c : units) {
        s.bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        s.bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return s;
}

Stored Latin1(const std::string& text) {
    return {{text.begin(), text.end()}, true};
}

TEST(RegfNames, OrderIsUpperCasedCodeUnitsWithPrefixFirst) {
    EXPECT_EQ(CompareNames(Latin1("abc").ref(), Latin1("ABC").ref()), 0);
    EXPECT_LT(CompareNames(Latin1("ab").ref(), Latin1("abc").ref()), 0);
    // '_' (0x5F) sorts after 'Z' but before lower-case letters once those are upper-cased.
    EXPECT_LT(CompareNames(Latin1("Z").ref(), Latin1("_").ref()), 0);
    EXPECT_LT(CompareNames(Latin1("a").ref(), Latin1("_").ref()), 0);
    // The same name stored compressed and as UTF-16 compares equal.
    EXPECT_EQ(CompareNames(Latin1("Software").ref(), Utf16(u"SOFTWARE").ref()), 0);
    // é (0xE9) upper-cases to É (0xC9), which still sorts after ASCII.
    EXPECT_LT(CompareNames(Latin1("z").ref(), Latin1("\xE9").ref()), 0);
    EXPECT_EQ(CompareNames(Latin1("\xE9").ref(), Latin1("\xC9").ref()), 0);
}

TEST(RegfNames, UpcaseIsSimpleOneToOne) {
    EXPECT_EQ(Upcase(u'ß'), u'ß');     // no expansion to "SS"
    EXPECT_EQ(Upcase(0x00FF), 0x0178); // ÿ -> Ÿ leaves Latin-1
    EXPECT_EQ(Upcase(0x00B5), 0x039C); // micro sign -> Greek capital mu
    EXPECT_EQ(Upcase(0x0431), 0x0411); // Cyrillic
    EXPECT_EQ(Upcase(0xFF41), 0xFF21); // fullwidth a -> A
    EXPECT_EQ(Upcase(0xD801), 0xD801); // surrogates unchanged
    EXPECT_EQ(Upcase(0x1F80), 0x1F88); // Greek with ypogegrammeni: simple mapping
    // Fullwidth A and a collide; Deseret capital and small letters (surrogate pairs) do not.
    EXPECT_EQ(CompareNames(Utf16(u"\uFF21").ref(), Utf16(u"\uFF41").ref()), 0);
    EXPECT_NE(CompareNames(Utf16(u"\U00010400").ref(), Utf16(u"\U00010428").ref()), 0);
}

TEST(RegfNames, HashUsesUnicodeUpperCaseForEveryCodeUnit) {
    EXPECT_EQ(NameHash(Latin1("a").ref()), uint32_t{'A'});
    EXPECT_EQ(NameHash(Latin1("ab").ref()), uint32_t{'A' * 37 + 'B'});
    EXPECT_EQ(NameHash(Latin1("\xE9").ref()), 0xC9u); // an ASCII-only upper case gives 0xE9
    EXPECT_EQ(NameHash(Utf16(u"\u0431").ref()), 0x0411u);
    EXPECT_EQ(NameHash(Latin1("Software").ref()), NameHash(Utf16(u"SOFTWARE").ref()));
}

// The hash is taken several units a step: every length around those steps must give the sum
// one unit at a time, in both stored forms, with units whose upper case leaves Latin-1.
TEST(RegfNames, HashOfEveryLengthIsTheSumOneUnitAtATime) {
    const std::u16string text = u"a\u00FFb\u00B5cdEfg\u0431hij\u00E9k";
    for (size_t n = 0; n <= text.size(); ++n) {
        std::u16string units = text.substr(0, n);
        uint32_t expected = 0;
        bool fitsOneByte = true;
        std::string bytes;
        for (char16_t c : units) {
            expected = expected * 37u + Upcase(c);
            fitsOneByte = fitsOneByte && c <= 0xFF;
            bytes.push_back(static_cast<char>(c));
        }
        EXPECT_EQ(NameHash(Utf16(units).ref()), expected) << n << " units as UTF-16";
        if (fitsOneByte) {
            EXPECT_EQ(NameHash(Latin1(bytes).ref()), expected) << n << " units compressed";
        }
    }
}

TEST(RegfNames, HintIsFirstFourCharactersOrZero) {
    EXPECT_EQ(NameHint(Latin1("Software").ref()), 0x74666F53u); // "Soft", case kept
    EXPECT_EQ(NameHint(Latin1("ab").ref()), 0x00006261u);
    EXPECT_EQ(NameHint(Utf16(u"Abc\u0416").ref()), 0u);           // a character above U+00FF
    EXPECT_EQ(NameHint(Utf16(u"Abcd\u0416").ref()), 0x64636241u); // only the first four count
    EXPECT_EQ(NameHint(Latin1("\xE9t\xE9").ref()), 0x00E974E9u);
}

TEST(RegfNames, Utf8ConversionRejectsMalformedInputAndKeepsLoneSurrogates) {
    std::u16string units;
    ASSERT_TRUE(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x90\x90\x80", units));
    EXPECT_EQ(units, u"a\u00E9\u20AC\U00010400");
    ASSERT_TRUE(Utf8ToUtf16("\xED\xA0\x81", units)); // lone high surrogate U+D801
    EXPECT_EQ(units, std::u16string(1, char16_t(0xD801)));
    EXPECT_FALSE(Utf8ToUtf16("\xC0\xAF", units));         // overlong '/'
    EXPECT_FALSE(Utf8ToUtf16("\xE2\x82", units));         // truncated
    EXPECT_FALSE(Utf8ToUtf16("\xF4\x90\x80\x80", units)); // beyond U+10FFFF
    EXPECT_FALSE(Utf8ToUtf16("\x80", units));
}

TEST(RegfNames, EncodeCompressesOnlyWhenEveryCharacterFitsOneByte) {
    std::vector<uint8_t> bytes;
    bool compressed;
    EncodeName(u"caf\u00E9", bytes, compressed);
    EXPECT_TRUE(compressed);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'c', 'a', 'f', 0xE9}));
    EncodeName(u"\u20AC1", bytes, compressed);
    EXPECT_FALSE(compressed);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAC, 0x20, '1', 0}));
}

TEST(RegfNames, EscapedTextIsOneLineAndLossless) {
    std::string out;
    AppendEscaped(out, u"a\\b\"c\nd\u00E9\U00010400");
    out.push_back('|');
    AppendEscaped(out, std::u16string(1, char16_t(0xDC00)));
    EXPECT_EQ(out, "a\\\\b\\\"c\\u000ad\xC3\xA9\xF0\x90\x90\x80|\\udc00");
}

} // namespace
} // namespace hivelet::regf
