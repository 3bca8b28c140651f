// Single keys read by path: values with their data, subkey names in Windows' order, names in
// one byte and in UTF-16, and lookups that fail without spoiling the next one.
#include "RegfTestSupport.h"

#include "platform/regf/ReadKey.h"

#include <gtest/gtest.h>

namespace {

using namespace hivelet::regf;
using regf_test::ScratchFolder;

std::vector<uint8_t> Utf16z(const std::u16string& s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.insert(out.end(), {0, 0, 'x', 0}); // data after the terminator is not text
    return out;
}

TEST(ReadKey, ValuesAndSubkeysOfAKeyByPath) {
    Key root;
    Key nt;
    nt.name = "Windows NT";
    Key cv;
    cv.name = "CurrentVersion";
    cv.values.push_back({"CurrentVersion", 1, Utf16z(u"6.1")});
    cv.values.push_back({"CurrentMajorVersionNumber", 4, {10, 0, 0, 0}});
    for (const char* sub : {"ProfileList", "Fonts",
                            "\xc3\x9c"
                            "bersicht",
                            "\xe6\x97\xa5"}) {
        Key k;
        k.name = sub;
        cv.subkeys.push_back(k);
    }
    nt.subkeys.push_back(cv);
    Key ms;
    ms.name = "Microsoft";
    ms.subkeys.push_back(nt);
    root.subkeys.push_back(ms);
    ScratchFolder dir;
    ASSERT_TRUE(WriteHiveFile(root, dir.file("SOFTWARE")).ok());

    HiveKeyReader reader;
    ASSERT_TRUE(reader.open(dir.file("SOFTWARE")).ok());
    KeyContents missing;
    Status s = reader.read("Microsoft\\Windows NT\\Nothing", missing);
    EXPECT_EQ(s.kind, ErrorKind::NotFound) << s.message;

    KeyContents key;
    ASSERT_TRUE(reader.read("microsoft\\WINDOWS NT\\currentversion", key).ok());
    ASSERT_EQ(key.values.size(), 2u);
    EXPECT_EQ(key.values[0].name, "CurrentVersion");
    EXPECT_EQ(StringValueText(key.values[0]), "6.1");
    EXPECT_EQ(key.values[1].type, 4u);
    EXPECT_EQ(key.values[1].data, (std::vector<uint8_t>{10, 0, 0, 0}));
    EXPECT_EQ(key.subkeys, (std::vector<std::string>{"Fonts", "ProfileList",
                                                     "\xc3\x9c"
                                                     "bersicht",
                                                     "\xe6\x97\xa5"}));

    KeyContents top;
    ASSERT_TRUE(reader.read("", top).ok());
    EXPECT_EQ(top.subkeys, std::vector<std::string>{"Microsoft"});

    HiveKeyReader notOpen;
    EXPECT_FALSE(notOpen.read("", top).ok());
    EXPECT_FALSE(notOpen.open(dir.file("nothing-here")).ok());
}

TEST(ReadKey, Utf16TextBecomesUtf8) {
    EXPECT_EQ(Utf16ToUtf8(u"abc"), "abc");
    EXPECT_EQ(Utf16ToUtf8(u"\u00e9\u65e5"), "\xc3\xa9\xe6\x97\xa5");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xed\xa0\x80");
    Value odd{"", 1, {'a', 0, 'b'}}; // an odd byte count: the last byte is no character
    EXPECT_EQ(StringValueText(odd), "a");
}

} // namespace
