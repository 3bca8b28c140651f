// The move-only owners: each handle is released exactly once, whoever ends up holding it.
#include "platform/win32/Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace hivelet::platform::win32 {
namespace {

std::vector<int> closed;

struct CountingTraits {
    using Handle = int;
    static Handle invalid() { return -1; }
    static int close(Handle h) {
        closed.push_back(h);
        return 100 + h;
    }
};
using Owner = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, ReleasesExactlyOnceAcrossMoves) {
    closed.clear();
    {
        Owner a(1);
        Owner b(std::move(a));
        EXPECT_FALSE(a.valid());
        Owner c(2);
        c = std::move(b); // 2 is released, 1 moves on
        EXPECT_EQ(closed, std::vector<int>{2});
        c = std::move(c);
        EXPECT_EQ(c.get(), 1);
    }
    EXPECT_EQ(closed, (std::vector<int>{2, 1}));
}

TEST(UniqueHandle, ExplicitCloseReportsAndReleaseGivesUp) {
    closed.clear();
    {
        Owner a(3);
        EXPECT_EQ(a.close(), 103);
        EXPECT_FALSE(a.valid());
        Owner b(4);
        EXPECT_EQ(b.release(), 4);
        Owner c(5);
        *c.receive() = 6; // 5 is released before the new handle is filled in
    }
    EXPECT_EQ(closed, (std::vector<int>{3, 5, 6}));
}

TEST(UniqueHandle, RealFileHandlesCloseOnScopeExit) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "hivelet-handle-test.tmp";
    {
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        UniqueFile moved = std::move(file);
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "still open without sharing";
    }
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(UniqueFile(INVALID_HANDLE_VALUE));
}

} // namespace
} // namespace hivelet::platform::win32
