// Debian's hivex as an independent reader: it must read every copy and see exactly the tree it
// sees in the original (in a dirty one, as recovered from its logs).
#include "RegfTestSupport.h"
#include "platform/regf/support/Shell.h"

#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#include <optional>

namespace hivelet::regf {
namespace {

namespace fs = std::filesystem;
using regf_test::HaveTool;
using regf_test::ScratchFolder;
using regf_test::ShellQuote;

std::string Export(const std::string& hive) {
    std::optional<std::string> text = regf_test::HivexRegeditExport(hive);
    EXPECT_TRUE(text) << "hivexregedit failed on " << hive;
    return text.value_or("");
}

// hivexml without what depends on the layout (byte runs) or the save (the hive's own time).
std::string Xml(const std::string& hive) {
    std::optional<std::string> exported = regf_test::CommandOutput("hivexml " + ShellQuote(hive));
    EXPECT_TRUE(exported) << "hivexml failed on " << hive;
    const std::string xml = exported.value_or("");
    std::string out;
    out.reserve(xml.size());
    size_t pos = 0;
    for (size_t runs; (runs = xml.find("<byte_runs>", pos)) != std::string::npos;) {
        out.append(xml, pos, runs - pos);
        size_t end = xml.find("</byte_runs>", runs);
        pos = end == std::string::npos ? xml.size() : end + 12;
    }
    out.append(xml, pos, std::string::npos);
    size_t hive = out.find("<hive><mtime>");
    if (hive != std::string::npos) {
        out.erase(hive + 6, out.find("</mtime>", hive) + 8 - (hive + 6));
    }
    return out;
}

class RegfHivex : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("hivexregedit") || !HaveTool("hivexml")) {
            GTEST_SKIP() << "hivex tools not installed (libhivex-bin, libwin-hivex-perl)";
        }
    }
};

TEST_F(RegfHivex, CopiesOfSampleHivesExportLikeTheOriginals) {
    SKIP_WITHOUT_SAMPLE_HIVES();
    ScratchFolder folder;
    size_t compared = 0;
    size_t recovered = 0;
    for (const fs::path& file : regf_test::SampleFiles()) {
        std::string copy = folder.file("copy");
        if (!CompactHiveFile(file.string(), copy).ok()) {
            continue; // refusals are the samples suite's business
        }
        SCOPED_TRACE(regf_test::SampleName(file));
        // hivex does not replay logs: a dirty hive is compared as recovered.
        std::string original = file.string();
        Recovery recovery;
        std::string replayed = folder.file("recovered");
        ASSERT_TRUE(RecoverHiveFile(file.string(), replayed, recovery).ok());
        if (recovery.recovered) {
            original = replayed;
            ++recovered;
        }
        EXPECT_TRUE(Export(original) == Export(copy)) << "hivexregedit exports differ";
        EXPECT_TRUE(Xml(original) == Xml(copy)) << "hivexml trees differ";
        fs::remove(copy);
        fs::remove(replayed);
        ++compared;
    }
    EXPECT_GE(compared, 50u);
    EXPECT_EQ(recovered, 5u); // three new-format sets, the old-format one, the damaged base block
}

TEST_F(RegfHivex, GeneratedHivesLoadAndCompactIntoTheSameTree) {
    ScratchFolder folder;
    for (uint32_t minor : {3u, 4u, 5u}) {
        for (double churn : {0.0, 0.3}) {
            SCOPED_TRACE("1." + std::to_string(minor) + " churn " + std::to_string(churn));
            WriteOptions options;
            options.minorVersion = minor;
            options.freeFraction = churn;
            std::string hive = folder.file("tree");
            std::string copy = folder.file("copy");
            ASSERT_TRUE(WriteHiveFile(regf_test::RichTree(), hive, options).ok());
            ASSERT_TRUE(CompactHiveFile(hive, copy).ok());
            std::string exported = Export(hive);
            EXPECT_NE(exported.find("\"size 100000\"=hex(3):"), std::string::npos);
            EXPECT_TRUE(exported == Export(copy));
            EXPECT_TRUE(Xml(hive) == Xml(copy));
            fs::remove(hive);
            fs::remove(copy);
        }
    }
}

} // namespace
} // namespace hivelet::regf
