// Flushing a file while it is still being written: what a durable write hands the disk early,
// and that nothing of it is lost or reported as flushed when it was not.
#include "RegfTestSupport.h"

#include "platform/regf/FlushBehind.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace hivelet::regf {
namespace {

using regf_test::Pattern;
using regf_test::ReadBytes;
using regf_test::ScratchFolder;
namespace fs = std::filesystem;

// A flush that reports each call and, while held, waits to be let go; its answers come from a
// list (0 once the list is used up).
class HeldSync {
public:
    explicit HeldSync(std::vector<int> answers = {}) : answers_(std::move(answers)) {}

    int operator()() {
        std::unique_lock lock(mutex_);
        int call = calls_++;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_ > call; });
        ++ended_;
        changed_.notify_all();
        return static_cast<size_t>(call) < answers_.size() ? answers_[call] : 0;
    }
    // False after 20 s without: a lost request fails the test instead of hanging it.
    [[nodiscard]] bool waitCalls(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return calls_ >= count; });
    }
    void release(int count = 1) {
        std::lock_guard lock(mutex_);
        released_ += count;
        changed_.notify_all();
    }
    void releaseAll() { release(1 << 20); }
    int calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int ended() {
        std::lock_guard lock(mutex_);
        return ended_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> answers_;
    int calls_ = 0;
    int released_ = 0;
    int ended_ = 0;
};

// Lets every flush go at the end of a test, however it ends: a failed assertion while a flush
// is held would otherwise leave the join in FlushBehind's destructor waiting.
struct ReleaseAtEnd {
    HeldSync& sync;
    ~ReleaseAtEnd() { sync.releaseAll(); }
};

// Creates `output` as a durable file flushed through `sync` and writes one step of it; true
// once the step's background flush has begun (and is held).
[[nodiscard]] bool WriteAStepUnderAHeldFlush(OutputFile& output, const std::string& path,
                                             HeldSync& sync) {
    if (!output.create(path, false).ok()) {
        return false;
    }
    output.writeBehind([&sync](int) { return sync(); });
    std::vector<uint8_t> part = Pattern(3u << 20);
    return output.write(part.data(), part.size()) && sync.waitCalls(1);
}

TEST(FlushBehind, RequestsDuringAFlushMakeOneMoreAndNoneAfterFinish) {
    HeldSync sync;
    FlushBehind flush([&] { return sync(); });
    ReleaseAtEnd release{sync};
    flush.request();
    ASSERT_TRUE(sync.waitCalls(1));
    flush.request();
    flush.request();
    flush.request();
    sync.release();
    ASSERT_TRUE(sync.waitCalls(2)) << "the three requests made during the first flush: one more";
    sync.release();
    EXPECT_EQ(flush.finish(), 0);
    EXPECT_EQ(sync.calls(), 2);
    EXPECT_EQ(sync.ended(), 2) << "finish returned before the flush under way had ended";
    flush.request(); // after finish: nothing more is flushed
    EXPECT_EQ(flush.finish(), 0);
    EXPECT_EQ(sync.calls(), 2);
}

// Once a flush has failed the system may report the next one as a success although the bytes
// were lost, so the first failure is what finish reports.
TEST(FlushBehind, TheFirstFailureIsReportedEvenWhenALaterFlushSucceeds) {
    HeldSync sync({EIO, 0});
    FlushBehind flush([&] { return sync(); });
    ReleaseAtEnd release{sync};
    flush.request();
    ASSERT_TRUE(sync.waitCalls(1));
    flush.request();
    sync.releaseAll();
    ASSERT_TRUE(sync.waitCalls(2));
    EXPECT_EQ(flush.finish(), EIO);
    EXPECT_EQ(sync.calls(), 2);
}

TEST(FlushBehind, WithoutARequestNothingIsFlushedAndNothingFails) {
    HeldSync sync;
    {
        FlushBehind flush([&] { return sync(); });
        EXPECT_EQ(flush.finish(), 0);
    }
    {
        FlushBehind destroyedWithoutFinish([&] { return sync(); });
    }
    EXPECT_EQ(sync.calls(), 0);
}

// A durable write of several steps, with bytes patched into parts already handed to the
// background flush and pieces written in batches: the published file holds every byte.
TEST(FlushBehind, ADurableFileHoldsEveryByteWrittenAndPatchedAroundTheFlushes) {
    ScratchFolder folder;
    std::vector<uint8_t> expected;
    OutputFile output;
    ASSERT_TRUE(output.create(folder.file("copy"), false).ok());
    output.writeBehind();
    for (int step = 0; step < 5; ++step) {
        std::vector<uint8_t> part = Pattern((3u << 20) / 2 + 4093 * step, uint8_t(step));
        if (step % 2 == 0) {
            ASSERT_TRUE(output.write(part.data(), part.size()));
        } else {
            size_t half = part.size() / 2;
            ByteSink::Piece pieces[] = {{part.data(), half},
                                        {part.data() + half, part.size() - half}};
            ASSERT_TRUE(output.writePieces(pieces, 2));
        }
        expected.insert(expected.end(), part.begin(), part.end());
        const uint8_t mark[8] = {0xA5, 0x5A, uint8_t(step), 1, 2, 3, 4, 5};
        uint64_t at = expected.size() / 3 + 17 * step;
        ASSERT_TRUE(output.patch(at, mark, sizeof mark));
        std::copy(std::begin(mark), std::end(mark), expected.begin() + at);
    }
    ASSERT_TRUE(output.publish(true).ok());
    EXPECT_EQ(ReadBytes(folder.file("copy")), expected);
}

// What OutputFile does with the background flush: a failure fails the publish and leaves
// nothing, and the file is never closed under a flush, however the write ends.
TEST(FlushBehind, AFailedBackgroundFlushFailsThePublishAndLeavesNothing) {
    ScratchFolder folder;
    HeldSync sync({EIO});
    OutputFile output;
    ReleaseAtEnd release{sync}; // before `output` goes
    ASSERT_TRUE(WriteAStepUnderAHeldFlush(output, folder.file("copy"), sync));
    sync.release(); // the final flush of the whole file would succeed
    Status s = output.publish(true);
    EXPECT_EQ(s.kind, ErrorKind::Io);
    EXPECT_NE(s.message.find("flush failed"), std::string::npos) << s.message;
    EXPECT_TRUE(fs::is_empty(folder.path())) << "a copy that may not be on disk was published";
}

// Also what keeps finish() from returning while a flush runs.
TEST(FlushBehind, AnAbandonedFileIsClosedOnlyAfterTheFlushUnderWay) {
    ScratchFolder folder;
    HeldSync sync;
    auto output = std::make_unique<OutputFile>();
    ReleaseAtEnd release{sync}; // before `output` goes
    ASSERT_TRUE(WriteAStepUnderAHeldFlush(*output, folder.file("copy"), sync));
    std::atomic<bool> gone{false};
    std::thread abandon([&] {
        output.reset();
        gone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(gone);
    EXPECT_FALSE(fs::is_empty(folder.path())) << "the file was closed and removed under a flush";
    sync.release();
    abandon.join();
    EXPECT_EQ(sync.ended(), 1);
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// A durable compaction of a hive of several segments reads back as the same tree as one
// written without flushes.
TEST(FlushBehind, ADurableCompactCopyOfSeveralSegmentsDumpsAsTheFastOne) {
    ScratchFolder folder;
    Key root;
    root.name = "ROOT";
    for (int i = 0; i < 900; ++i) {
        Key key;
        key.name = "key " + std::to_string(i);
        key.values.push_back({"data", 3, Pattern(9000 + i, uint8_t(i))});
        root.subkeys.push_back(std::move(key));
    }
    ASSERT_TRUE(WriteHiveFile(root, folder.file("source")).ok());
    CompactOptions durable;
    durable.durable = true;
    ASSERT_TRUE(CompactHiveFile(folder.file("source"), folder.file("durable"), durable).ok());
    ASSERT_TRUE(CompactHiveFile(folder.file("source"), folder.file("plain")).ok());
    ASSERT_GT(fs::file_size(folder.file("durable")), 8u << 20);
    EXPECT_TRUE(VerifyCompactHiveFile(folder.file("durable")).ok());
    std::string durableDump;
    std::string plainDump;
    ASSERT_TRUE(DumpHiveFile(folder.file("durable"), durableDump).ok());
    ASSERT_TRUE(DumpHiveFile(folder.file("plain"), plainDump).ok());
    EXPECT_EQ(durableDump, plainDump);
    std::vector<uint8_t> a = ReadBytes(folder.file("durable"));
    std::vector<uint8_t> b = ReadBytes(folder.file("plain"));
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(std::equal(a.begin() + 4096, a.end(), b.begin() + 4096)) << "bins differ";
}

} // namespace
} // namespace hivelet::regf
