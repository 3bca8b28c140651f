// Checks every language file in Languages/ against the key inventory and the English file: keys,
// encoding, texts that must not change, and keyboard accelerators.
#include "languages/Accelerators.h"
#include "languages/Encoding.h"
#include "languages/Inventory.h"
#include "languages/LanguageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace hivelet::languages {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

const LanguageFile& English() {
    static const LanguageFile english = LoadLanguageFile("English");
    return english;
}

std::string EnglishValue(std::string_view section, std::string_view key) {
    return English().profile.Find(section, key).value_or("");
}

// Keys whose text is the same in every language: the window name, the product title and the
// maker's addresses.
const std::set<std::pair<std::string_view, std::string_view>>& FixedTexts() {
    static const std::set<std::pair<std::string_view, std::string_view>> fixed = {
        {"frmMain", "frmMain"}, {"frmMain", "suiURLLabel1"}, {"frmMain", "lTitle"},
        {"frmAbout", "Label1"}, {"frmAbout", "lbEAddress"},
    };
    return fixed;
}

// "[section] key=text", naming an entry in a failure message.
std::string Where(std::string_view section, std::string_view key, const std::string& text) {
    std::string where = "[";
    where.append(section).append("] ").append(key).append("=").append(text);
    return where;
}

std::vector<std::string> DigitRuns(std::string_view text) {
    std::vector<std::string> runs;
    std::string run;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            run += c;
        } else if (!run.empty()) {
            runs.push_back(run);
            run.clear();
        }
    }
    if (!run.empty())
        runs.push_back(run);
    return runs;
}

TEST(LanguageFolder, ShipsEveryLanguageOfTheMenuAndNoOther) {
    std::vector<std::string> shipped = ShippedLanguages();
    ASSERT_FALSE(shipped.empty()) << "no language files in " << LanguagesFolder().string();
    for (std::string_view name : MenuLanguages()) {
        // "Other" leads to the translation page when it has no file; every other item needs one.
        if (name != "Other") {
            EXPECT_NE(std::find(shipped.begin(), shipped.end(), name), shipped.end())
                << "DLan_" << name << ".ini is missing";
        }
    }
    for (const std::string& name : shipped) {
        EXPECT_NE(std::find(MenuLanguages().begin(), MenuLanguages().end(), name),
                  MenuLanguages().end())
            << "DLan_" << name << ".ini has no item in the language menu";
    }
}

class ShippedLanguageFile : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        file_ = LoadLanguageFile(GetParam());
        ASSERT_FALSE(file_.bytes.empty()) << file_.path.string() << " is missing or empty";
        ASSERT_FALSE(English().bytes.empty()) << "the English file is missing";
        page_ = file_.codePage;
        if (page_ == 0) // a language without a fixed page ("Other") is read in its declared one
            page_ = DeclaredCodePage(SplitLines(file_.bytes, nullptr).front()).value_or(1252);
    }

    std::string Value(std::string_view section, std::string_view key) const {
        return file_.profile.Find(section, key).value_or("");
    }

    LanguageFile file_;
    int page_ = 0;
};

TEST_P(ShippedLanguageFile, HoldsExactlyTheInventoryKeysInOrder) {
    std::vector<std::string> expectedSections;
    for (const auto& section : Inventory())
        expectedSections.emplace_back(section.name);
    EXPECT_EQ(file_.profile.SectionNames(), expectedSections);

    for (const auto& section : Inventory()) {
        std::vector<std::string> keys;
        for (const auto& entry : file_.profile.Entries(section.name))
            keys.push_back(entry.key);
        std::vector<std::string> expected(section.keys.begin(), section.keys.end());
        EXPECT_EQ(keys, expected) << "keys of section [" << section.name << "]";
    }
}

TEST_P(ShippedLanguageFile, HasNoLineThatTheReaderWouldSilentlyIgnore) {
    std::vector<std::string> lines = SplitLines(file_.bytes, nullptr);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = ini::TrimBlanks(lines[i]);
        bool known = line.empty() || line.front() == ';' ||
                     (line.front() == '[' && line.back() == ']') ||
                     line.find('=') != std::string_view::npos;
        EXPECT_TRUE(known) << "line " << i + 1 << ": " << lines[i];
    }
}

TEST_P(ShippedLanguageFile, IsWrittenInItsWindowsCodePage) {
    EXPECT_FALSE(StartsWithUtf8Bom(file_.bytes)) << "UTF-8 byte-order mark";

    std::vector<std::string> endings;
    std::vector<std::string> lines = SplitLines(file_.bytes, &endings);
    std::optional<int> declared = DeclaredCodePage(lines.front());
    ASSERT_TRUE(declared.has_value())
        << "first line does not name the code page: " << lines.front();
    if (file_.codePage != 0) {
        EXPECT_EQ(*declared, file_.codePage);
    } else {
        EXPECT_TRUE(*declared == 1252 || *declared == 1250 || *declared == 1251 ||
                    *declared == 1253 || *declared == 1254 || *declared == 1256 ||
                    *declared == 932 || *declared == 936)
            << "not a Windows ANSI code page: " << *declared;
    }

    // One message per kind of fault, naming the first line that shows it.
    std::vector<size_t> badEndings, controlBytes, utf8Lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (endings[i] != "\r\n")
            badEndings.push_back(i + 1);
        for (char c : lines[i]) {
            auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                controlBytes.push_back(i + 1);
                break;
            }
        }
        if (!IsDoubleByte(page_) && LooksLikeUtf8(lines[i], 2))
            utf8Lines.push_back(i + 1);
    }
    EXPECT_TRUE(badEndings.empty())
        << badEndings.size() << " lines do not end in CR LF, first " << badEndings.front();
    EXPECT_TRUE(controlBytes.empty()) << "control bytes in line " << controlBytes.front();
    EXPECT_TRUE(utf8Lines.empty()) << utf8Lines.size() << " lines are UTF-8, first line "
                                   << utf8Lines.front() << ": " << lines[utf8Lines.front() - 1];
    EXPECT_FALSE(LooksLikeUtf8(file_.bytes)) << "the file is UTF-8";
    if (IsDoubleByte(page_)) {
        std::optional<size_t> bad = FirstMalformedByte(file_.bytes, page_);
        EXPECT_FALSE(bad.has_value())
            << "not valid code page " << page_ << " text at byte " << bad.value_or(0);
    }
}

TEST_P(ShippedLanguageFile, KeepsEmptyTextsEmptyAndFixedTextsUnchanged) {
    for (const auto& section : Inventory()) {
        for (std::string_view key : section.keys) {
            std::string english = EnglishValue(section.name, key);
            std::string text = Value(section.name, key);
            EXPECT_EQ(text.empty(), english.empty())
                << "[" << section.name << "] " << key << "=" << text;
            if (FixedTexts().count({section.name, key})) {
                EXPECT_EQ(text, english) << "[" << section.name << "] " << key;
            }
        }
    }
}

TEST_P(ShippedLanguageFile, KeepsProductNameAddressesAndNumbers) {
    const std::vector<std::string_view> keptWords = {"Orvane Hivelet", "www.orvane.example",
                                                     "support@orvane.example"};
    for (const auto& section : Inventory()) {
        for (std::string_view key : section.keys) {
            std::string english = EnglishValue(section.name, key);
            std::string text = Value(section.name, key);
            std::string where = Where(section.name, key, text);
            for (std::string_view word : keptWords) {
                if (english.find(word) != std::string::npos) {
                    EXPECT_NE(text.find(word), std::string::npos) << where << " lost " << word;
                }
            }
            // The options dialog replaces everything from "(XP" on with the current list of
            // Windows versions; a caption without it would show an outdated list.
            if (Lower(english).find("(xp") != std::string::npos) {
                EXPECT_NE(Lower(text).find("(xp"), std::string::npos) << where;
            }
            for (const std::string& number : DigitRuns(english))
                EXPECT_NE(text.find(number), std::string::npos) << where << " lost " << number;
        }
    }
    std::string version = Value("frmAbout", "Label2");
    EXPECT_NE(version.find("3.0   "), std::string::npos) << "three blanks after the version";
    EXPECT_TRUE(version.ends_with(" 20260210")) << version;
}

TEST_P(ShippedLanguageFile, IsTranslated) {
    if (GetParam() == "English")
        GTEST_SKIP() << "the reference itself";
    int translatable = 0;
    int unchanged = 0;
    for (const auto& section : Inventory()) {
        for (std::string_view key : section.keys) {
            std::string english = EnglishValue(section.name, key);
            if (english.empty() || FixedTexts().count({section.name, key}))
                continue;
            ++translatable;
            if (Value(section.name, key) == english)
                ++unchanged;
        }
    }
    ASSERT_GT(translatable, 0);
    EXPECT_LE(unchanged * 5, translatable)
        << unchanged << " of " << translatable << " texts are still the English ones";
}

TEST_P(ShippedLanguageFile, MarksAcceleratorsWhereEnglishDoes) {
    for (const auto& section : Inventory()) {
        for (std::string_view key : section.keys) {
            AcceleratorScan english = ScanAccelerators(EnglishValue(section.name, key), 1252);
            std::string text = Value(section.name, key);
            AcceleratorScan scan = ScanAccelerators(text, page_);
            std::string where = Where(section.name, key, text);
            EXPECT_EQ(scan.count, english.count) << where;
            EXPECT_FALSE(scan.dangling) << where << " ends in a single '&'";
            EXPECT_FALSE(scan.marksNonLetter) << where << " marks no letter";
        }
    }
}

// Within one menu or one dialog, a translation has as many different accelerators as the English
// captions have, unless its captions do not hold that many different letters. (The English
// language menu itself repeats some letters, so "as many" rather than "the same pairs".)
TEST_P(ShippedLanguageFile, AcceleratorsAreDistinctWithinEachMenuAndDialog) {
    struct Group {
        std::string name;
        std::vector<std::pair<std::string_view, std::string_view>> keys; // section, key
    };
    std::map<std::string, Group> groups;
    for (const auto& section : Inventory()) {
        for (std::string_view key : section.keys) {
            if (ScanAccelerators(EnglishValue(section.name, key), 1252).count == 0)
                continue;
            std::string name(section.name);
            if (section.name == "Menu_frmMain")
                name = key.starts_with("mi") ? "language menu" : "help menu";
            groups[name].name = name;
            groups[name].keys.emplace_back(section.name, key);
        }
    }
    ASSERT_EQ(groups.count("language menu"), 1u);
    ASSERT_EQ(groups.count("help menu"), 1u);

    for (const auto& [name, group] : groups) {
        std::set<std::string> englishKeys, keys;
        std::vector<std::string> captions;
        std::string listing;
        for (const auto& [section, key] : group.keys) {
            englishKeys.insert(ScanAccelerators(EnglishValue(section, key), 1252).key);
            std::string text = Value(section, key);
            keys.insert(ScanAccelerators(text, page_).key);
            captions.push_back(text);
            listing += " " + text;
        }
        size_t possible = MaxDistinctAccelerators(captions, page_);
        size_t wanted = std::min(englishKeys.size(), possible);
        EXPECT_GE(keys.size(), wanted) << name << ": " << keys.size() << " different accelerators, "
                                       << wanted << " possible:" << listing;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageFile, testing::ValuesIn(ShippedLanguages()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

} // namespace
} // namespace hivelet::languages
