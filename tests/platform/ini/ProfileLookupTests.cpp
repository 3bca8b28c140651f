// Reading profile files: the lookup rules callers rely on (language files, settings, results).
#include "IniTestSupport.h"

#include "platform/ini/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace hivelet::ini {
namespace {

namespace fs = std::filesystem;

std::string Get(std::string_view text, const std::string& section, const std::string& key,
                const std::string& def = "<default>") {
    auto v = Profile::Parse(text).Find(section, key);
    return v ? *v : def;
}

TEST(ProfileLookup, NamesMatchIgnoringCaseAndBlanksAreDropped) {
    const char* text = "[ResourceString]\r\n"
                       "  RES_Not_Found  =   nicht gefunden.   \r\n"
                       "\tTabbed\t=\tvalue\t\r\n"
                       "[ Spaced Section ]\r\n"
                       "k=v\r\n";
    EXPECT_EQ(Get(text, "resourcestring", "res_not_found"), "nicht gefunden.");
    EXPECT_EQ(Get(text, "RESOURCESTRING", "RES_NOT_FOUND"), "nicht gefunden.");
    EXPECT_EQ(Get(text, "ResourceString", "tabbed"), "value");
    EXPECT_EQ(Get(text, "spaced section", "K"), "v");
    // Only A-Z fold: other bytes must match exactly.
    EXPECT_EQ(Get("[S]\n\xC4k=1\n", "S", "\xE4k"), "<default>");
    EXPECT_EQ(Get("[S]\n\xC4k=1\n", "s", "\xC4K"), "1");
}

TEST(ProfileLookup, MatchingQuotesAreRemovedOthersKept) {
    const char* text = "[S]\n"
                       "dq=\"  quoted text  \"\n"
                       "sq='single'\n"
                       "mixed=\"abc'\n"
                       "lone=\"\n"
                       "inner=a \"b\" c\n"
                       "nested=\"a\"b\"\n"
                       "emptyq=\"\"\n";
    EXPECT_EQ(Get(text, "S", "dq"), "  quoted text  ");
    EXPECT_EQ(Get(text, "S", "sq"), "single");
    EXPECT_EQ(Get(text, "S", "mixed"), "\"abc'");
    EXPECT_EQ(Get(text, "S", "lone"), "\"");
    EXPECT_EQ(Get(text, "S", "inner"), "a \"b\" c");
    EXPECT_EQ(Get(text, "S", "nested"), "a\"b");
    EXPECT_EQ(Get(text, "S", "emptyq"), "");
}

TEST(ProfileLookup, EmptyValueIsNotTheDefaultButMissingOnesAre) {
    const char* text = "[ResourceString]\nRES_Not_Found=\nOther=x\n";
    EXPECT_EQ(Get(text, "ResourceString", "RES_Not_Found"), "");
    EXPECT_EQ(Get(text, "ResourceString", "RES_Missing"), "<default>");
    EXPECT_EQ(Get(text, "NoSuchSection", "Other"), "<default>");
    EXPECT_EQ(Get("", "ResourceString", "Other"), "<default>");
}

TEST(ProfileLookup, OtherLinesAreIgnoredAndTheFirstMatchWins) {
    const char* text = "orphan=before any section\n"
                       "just some words\n"
                       "[S] trailing text after the bracket\n"
                       "; k=commented out\n"
                       "[broken header\n"
                       "k=first\n"
                       "k=second\n"
                       "=no key\n"
                       "[s]\n"
                       "k=other section\n"
                       "only=second\n";
    EXPECT_EQ(Get(text, "S", "k"), "first");
    EXPECT_EQ(Get(text, "S", "orphan"), "<default>");
    EXPECT_EQ(Get(text, "S", "only"), "<default>"); // the second [s] is never searched
    EXPECT_EQ(Get(text, "S", "; k"), "<default>");
    EXPECT_EQ(Get(text, "broken header", "k"), "<default>");
    EXPECT_EQ(Get("[a]\nx=1=2\n", "a", "x"), "1=2");
}

TEST(ProfileLookup, LineEndingsDoNotMatter) {
    for (const char* text : {"[S]\r\nk=v\r\nz=last", "[S]\nk=v\nz=last\n", "[S]\r\nk=v\nz=last"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Get(text, "S", "k"), "v");
        EXPECT_EQ(Get(text, "S", "z"), "last");
    }
}

TEST(ProfileLookup, EntriesKeepOrderDuplicatesCaseAndLineNumbers) {
    const char* text = "[Other]\n"
                       "a=1\n"
                       "[hivelist]\n"
                       "; comment\n"
                       "\\REGISTRY\\MACHINE\\SYSTEM=\\Device\\X\\SYSTEM\n"
                       "\\REGISTRY\\MACHINE\\HARDWARE=\n"
                       "\\registry\\machine\\system='dup'\n"
                       "[Next]\n"
                       "b=2\n";
    Profile p = Profile::Parse(text);
    auto e = p.Entries("HIVELIST");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].key, "\\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(e[0].value, "\\Device\\X\\SYSTEM");
    EXPECT_EQ(e[0].line, 5);
    EXPECT_EQ(e[1].value, "");
    EXPECT_EQ(e[2].key, "\\registry\\machine\\system");
    EXPECT_EQ(e[2].value, "dup");
    EXPECT_EQ(e[2].line, 7);
    EXPECT_TRUE(p.Entries("missing").empty());
    EXPECT_EQ(p.SectionCount("other"), 1);
    EXPECT_EQ(p.SectionLine("next"), 8);
    EXPECT_EQ(p.SectionNames(), (std::vector<std::string>{"Other", "hivelist", "Next"}));
}

using ProfileFileLookup = ini_test::ProfileFolderTest;

TEST_F(ProfileFileLookup, LongValuesAndDefaultsAreCutTo2047Characters) {
    std::string longValue(3000, 'x');
    longValue[2046] = 'A';
    longValue[2047] = 'B';
    fs::path f = Put("lang.ini", "[ResourceString]\r\nLong=" + longValue + "\r\n");
    std::string got = GetProfileString("ResourceString", "Long", "", f);
    ASSERT_EQ(got.size(), 2047u);
    EXPECT_EQ(got.back(), 'A');
    EXPECT_EQ(GetProfileString("ResourceString", "Missing", std::string(2500, 'd'), f).size(),
              2047u);
    // The cut applies after the quotes came off.
    fs::path q = Put("q.ini", "[S]\nk=\"" + std::string(2047, 'q') + "\"\n");
    EXPECT_EQ(GetProfileString("S", "k", "", q), std::string(2047, 'q'));
}

TEST_F(ProfileFileLookup, MissingOrUnusableFilesGiveTheDefault) {
    EXPECT_EQ(GetProfileString("S", "k", "dflt", dir_ / "none.ini"), "dflt");
    EXPECT_EQ(GetProfileString("S", "k", "dflt", dir_), "dflt"); // a folder, not a file
    fs::path f = Put("bytes.ini", std::string("[S]\nk=\x01\xff\x80 \x00z\n", 13));
    EXPECT_EQ(GetProfileString("S", "k", "dflt", f), std::string("\x01\xff\x80 \x00z", 6));
}

} // namespace
} // namespace hivelet::ini
