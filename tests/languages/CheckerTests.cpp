// The checks on shipped files are only as good as these helpers: each must be able to fail.
#include "languages/Accelerators.h"
#include "languages/Encoding.h"
#include "languages/LanguageFile.h"

#include <gtest/gtest.h>

namespace hivelet::languages {
namespace {

TEST(AcceleratorScan, FindsTheMarkedCharacterAndSkipsLiteralAmpersands) {
    AcceleratorScan plain = ScanAccelerators("H&omepage", 1252);
    EXPECT_EQ(plain.count, 1);
    EXPECT_EQ(plain.key, "o");

    AcceleratorScan literal = ScanAccelerators("Save && &Exit", 1252);
    EXPECT_EQ(literal.count, 1);
    EXPECT_EQ(literal.key, "e");

    EXPECT_EQ(ScanAccelerators("Tom && Jerry", 1252).count, 0);
    EXPECT_EQ(ScanAccelerators("&Yes &No", 1252).count, 2);

    AcceleratorScan dangling = ScanAccelerators("Exit&", 1252);
    EXPECT_TRUE(dangling.dangling);
    EXPECT_EQ(dangling.count, 0);

    EXPECT_TRUE(ScanAccelerators("Help& me", 1252).marksNonLetter);
    EXPECT_FALSE(ScanAccelerators("&1 item", 1252).marksNonLetter);
}

TEST(AcceleratorScan, FoldsCaseWithinTheCodePage) {
    // A-umlaut and a-umlaut in 1252; Cyrillic Zhe in 1251; Greek sigma and final sigma in 1253.
    EXPECT_EQ(ScanAccelerators("&\xC4rger", 1252).key, ScanAccelerators("\xE4&\xE4", 1252).key);
    EXPECT_EQ(ScanAccelerators("&\xC6", 1251).key, "\xE6");
    EXPECT_EQ(ScanAccelerators("&\xF2", 1253).key, ScanAccelerators("&\xD3", 1253).key);
    // Arabic letters have no case: two different letters stay different.
    EXPECT_NE(ScanAccelerators("&\xC7", 1256).key, ScanAccelerators("&\xE7", 1256).key);
    // The same bytes are a case pair in 1252.
    EXPECT_EQ(ScanAccelerators("&\xC7", 1252).key, ScanAccelerators("&\xE7", 1252).key);
}

TEST(AcceleratorScan, TakesWholeDoubleByteCharacters) {
    // GBK: "&" before a two-byte character marks both bytes.
    AcceleratorScan scan = ScanAccelerators("&\xB0\xEF\xD6\xFA", 936);
    EXPECT_EQ(scan.key, "\xB0\xEF");
    EXPECT_FALSE(scan.marksNonLetter);
    // Shift JIS trail bytes may be 0x5C or 0x40; the next character after them is still found.
    AcceleratorScan sjis = ScanAccelerators("\x83\x5C(&S)", 932);
    EXPECT_EQ(sjis.count, 1);
    EXPECT_EQ(sjis.key, "s");
}

TEST(AcceleratorMatching, CountsHowManyCaptionsCanHaveDifferentLetters) {
    EXPECT_EQ(MaxDistinctAccelerators({"ab", "ab", "ab"}, 1252), 2u);
    EXPECT_EQ(MaxDistinctAccelerators({"Aa", "a"}, 1252), 1u); // one letter in two cases
    EXPECT_EQ(MaxDistinctAccelerators({"ab", "a", "b"}, 1252), 2u);
    EXPECT_EQ(MaxDistinctAccelerators({"abc", "a", "b"}, 1252), 3u); // needs an augmenting path
    EXPECT_EQ(MaxDistinctAccelerators({"&Yes", "&No", "..."}, 1252), 2u);
}

TEST(CodePageLine, ReadsTheDeclaredPage) {
    EXPECT_EQ(DeclaredCodePage("; Code page: 1252 (Western European)"), 1252);
    EXPECT_EQ(DeclaredCodePage("; Code page: 936"), 936);
    EXPECT_FALSE(DeclaredCodePage("; Codepage: 1252").has_value());
    EXPECT_FALSE(DeclaredCodePage("; Code page: UTF-8").has_value());
    EXPECT_FALSE(DeclaredCodePage("; Code page: 1252x").has_value());
    EXPECT_FALSE(DeclaredCodePage("[frmMain]").has_value());
}

TEST(CodePages, FollowTheLanguage) {
    EXPECT_EQ(ExpectedCodePage("Arabic"), 1256);
    EXPECT_EQ(ExpectedCodePage("Chinese"), 936);
    EXPECT_EQ(ExpectedCodePage("Japanese"), 932);
    EXPECT_EQ(ExpectedCodePage("Serbian"), 1250);
    EXPECT_EQ(ExpectedCodePage("Kurdish"), 1254);
    EXPECT_EQ(ExpectedCodePage("Ukranian"), 1251);
    EXPECT_EQ(ExpectedCodePage("BrazilianPortuguese"), 1252);
    EXPECT_FALSE(ExpectedCodePage("Other").has_value());
}

TEST(Utf8Detection, FlagsUtf8ButNotWindowsText) {
    EXPECT_TRUE(LooksLikeUtf8("Gr\xC3\xB6\xC3\x9F"
                              "e"));                        // "Größe" in UTF-8
    EXPECT_TRUE(LooksLikeUtf8("\xE4\xB8\xAD\xE6\x96\x87")); // two CJK characters
    EXPECT_FALSE(LooksLikeUtf8("Gr\xF6\xDF"
                               "e")); // "Größe" in 1252
    EXPECT_FALSE(LooksLikeUtf8("plain ASCII"));
    EXPECT_FALSE(LooksLikeUtf8("bOK=&\xCF\xF0\xE8\xE9\xED\xFF\xF2\xE8")); // Cyrillic in 1251
    // Cyrillic capital followed by Ukrainian i forms a valid pair by chance; the rest of the
    // line gives the page away.
    EXPECT_FALSE(LooksLikeUtf8("\xCC\xB3\xE9 \xF4\xE0\xE9\xEB"));
    // Ukrainian "No" in 1251 is one valid pair; a line needs two before it counts.
    EXPECT_TRUE(LooksLikeUtf8("bCancel=&\xCD\xB3"));
    EXPECT_FALSE(LooksLikeUtf8("bCancel=&\xCD\xB3", 2));
    EXPECT_TRUE(LooksLikeUtf8("bCancel=&\xD0\x9D\xD1\x96", 2)); // the same word in UTF-8
    EXPECT_FALSE(LooksLikeUtf8("\xC0\x80"));                    // overlong form
    EXPECT_FALSE(LooksLikeUtf8("\xED\xA0\x80"));                // surrogate
    EXPECT_FALSE(LooksLikeUtf8("\xE4\xB8"));                    // cut short
    EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBF[frmMain]"));
    EXPECT_FALSE(StartsWithUtf8Bom("[frmMain]"));
}

TEST(DoubleBytePages, FindMalformedSequences) {
    EXPECT_FALSE(FirstMalformedByte("a\xB0\xEF\xD6\xFA(&H)", 936).has_value());
    EXPECT_EQ(FirstMalformedByte("ab\xB0", 936), 2u);                  // lead byte without trail
    EXPECT_EQ(FirstMalformedByte("\xB0\x7F", 936), 0u);                // 0x7F is no GBK trail byte
    EXPECT_FALSE(FirstMalformedByte("\x83\x5C\xB1", 932).has_value()); // katakana, half-width
    EXPECT_EQ(FirstMalformedByte("\xA0", 932), 0u);
    EXPECT_FALSE(FirstMalformedByte("\xB0", 1252).has_value()); // single-byte pages: any byte
}

TEST(LineSplitting, ReportsEachLineEnding) {
    std::vector<std::string> endings;
    std::vector<std::string> lines = SplitLines("a\r\nb\nc\r", &endings);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(endings, (std::vector<std::string>{"\r\n", "\n", "\r"}));
}

} // namespace
} // namespace hivelet::languages
