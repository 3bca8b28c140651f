// Shared by the profile-file suites: a scratch folder of each test's own, and whole files as text.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace ini_test {

namespace fs = std::filesystem;

// Read-only files cannot be removed on Windows: give everything its write bit back first.
inline void RemoveTree(const fs::path& dir) {
    std::error_code ec;
    if (!fs::exists(dir, ec)) {
        return;
    }
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir, ec);
}

// A fresh folder `dir_` for each test, removed with everything in it afterwards.
class ProfileFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Unique to this process: test runs of several checkouts share the temporary folder.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               ("ini-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                std::to_string(std::random_device()()));
        RemoveTree(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { RemoveTree(dir_); }
    fs::path Put(const std::string& name, const std::string& text) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

} // namespace ini_test
