// The safe file primitives: their failure lines, the durable steps, and that an atomic replace
// never leaves a target partly written, whichever step fails or where the process dies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/files.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using test::FaultPlatform;
using test::FixtureBuilder;
using test::Op;
using test::TempDir;

class Files : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    FaultPlatform fp{*native};
    FixtureBuilder fb{*native};
    TempDir dir;
    std::unique_ptr<TextBuffer> report = TextBuffer::create();

    std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
    std::string content(const std::string& path) {
        auto b = fb.read_file(path);
        return std::string(b.begin(), b.end());
    }
};

TEST_F(Files, ReadCappedAcceptsTheCapAndRefusesOneByteMore) {
    const std::string path = dir / "data.bin";
    fb.write_text(path, "0123456789");
    ByteBuffer out;
    EXPECT_TRUE(read_file_capped(fp, path, out, 10, report.get()));
    EXPECT_EQ(out.size(), 10u);
    EXPECT_EQ(out.view(), "0123456789");
    EXPECT_FALSE(read_file_capped(fp, path, out, 9, report.get()));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(report->str(), "File too large for safe in-memory inspection: " + path + "\r\n");

    const std::string empty = dir / "empty.bin";
    fb.write_text(empty, "");
    EXPECT_TRUE(read_file_capped(fp, empty, out, 10, nullptr));
    EXPECT_EQ(out.size(), 0u);
    EXPECT_FALSE(out.empty());  // an empty file still gets its one-byte block
}

TEST_F(Files, ReadCappedReportsEveryFailureWithItsOwnLine) {
    const std::string path = dir / "data.bin";
    fb.write_text(path, "abc");
    ByteBuffer out;
    EXPECT_FALSE(read_file_capped(fp, dir / "missing.bin", out, 10, report.get()));
    fp.fail_nth(Op::FileSize, 1);
    EXPECT_FALSE(read_file_capped(fp, path, out, 10, report.get()));
    fp.fail_nth(Op::Allocate, 1);
    EXPECT_FALSE(read_file_capped(fp, path, out, 10, report.get()));
    fp.fail_nth(Op::Read, 1);
    EXPECT_FALSE(read_file_capped(fp, path, out, 10, report.get()));
    fp.fake_size("data.bin", 0x100000000ull);
    EXPECT_FALSE(read_file_capped(fp, path, out, 0xFFFFFFFFu, report.get()));
    EXPECT_EQ(report->str(), "Cannot open: " + (dir / "missing.bin") + "\r\nGetFileSizeEx failed.\r\nOut of memory.\r\nRead failed: " +
                                 path + "\r\nFile too large for safe in-memory inspection: " + path + "\r\n");
}

TEST_F(Files, TextFilesAreCreatedTruncatedOrAppended) {
    const std::string path = dir / "log.txt";
    EXPECT_TRUE(write_text_file(fp, path, "one\r\n", false, nullptr));
    EXPECT_TRUE(write_text_file(fp, path, "two\r\n", true, nullptr));
    EXPECT_EQ(content(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(write_text_file(fp, path, "three", false, nullptr));
    EXPECT_EQ(content(path), "three");
    EXPECT_TRUE(write_text_file(fp, path, "", false, nullptr));
    EXPECT_EQ(content(path), "");

    EXPECT_FALSE(write_text_file(fp, dir / "no-such-dir/x.txt", "x", false, report.get()));
    fp.fail_nth(Op::Write, 1);
    EXPECT_FALSE(write_text_file(fp, path, "abc", false, report.get()));
    EXPECT_EQ(report->str(), "Cannot create: " + (dir / "no-such-dir/x.txt") + "\r\nWrite failed: " + path + "\r\n");
}

TEST_F(Files, DurableNewFileNeverOverwritesAndReportsEachStep) {
    const std::string path = dir / "new.bin";
    fb.write_text(path, "precious");
    const auto data = bytes("replacement");
    EXPECT_FALSE(write_file_durable_new(fp, path, data.data(), 11, report.get()));
    EXPECT_EQ(content(path), "precious");
    EXPECT_EQ(report->str(), "Cannot create binary file: " + path + "\r\n");

    report->reset();
    const std::string fresh = dir / "fresh.bin";
    fp.reset_counts();
    EXPECT_TRUE(write_file_durable_new(fp, fresh, data.data(), 11, report.get()));
    EXPECT_EQ(fp.calls(Op::Flush), 1);  // flushed before it counts as written
    EXPECT_EQ(content(fresh), "replacement");

    fp.fail_nth(Op::Write, 1);
    EXPECT_FALSE(write_file_durable_new(fp, dir / "partial.bin", data.data(), 11, report.get()));
    fp.fail_nth(Op::Flush, 1);
    EXPECT_FALSE(write_file_durable_new(fp, dir / "unflushed.bin", data.data(), 11, report.get()));
    EXPECT_EQ(report->str(), "Binary write failed: " + (dir / "partial.bin") + "\r\nFlushFileBuffers failed: " +
                                 (dir / "unflushed.bin") + "\r\n");
    EXPECT_TRUE(fb.exists(dir / "partial.bin"));  // left for the caller to remove
}

TEST_F(Files, VerifyReportsAnyDifferenceInLengthOrBytes) {
    const std::string path = dir / "v.bin";
    fb.write_text(path, "abcdef");
    const auto same = bytes("abcdef");
    EXPECT_TRUE(verify_file_bytes(fp, path, same.data(), 6, report.get()));
    const auto longer = bytes("abcdefg");
    EXPECT_FALSE(verify_file_bytes(fp, path, longer.data(), 7, report.get()));
    const auto shorter = bytes("abcde");
    EXPECT_FALSE(verify_file_bytes(fp, path, shorter.data(), 5, report.get()));
    const auto other = bytes("abcdeX");
    EXPECT_FALSE(verify_file_bytes(fp, path, other.data(), 6, report.get()));
    const std::string mismatch = "Verification mismatch: " + path + "\r\n";
    EXPECT_EQ(report->str(), mismatch + mismatch + mismatch);
    report->reset();
    const auto much_shorter = bytes("abcd");  // the file is two bytes longer: refused by the read
    EXPECT_FALSE(verify_file_bytes(fp, path, much_shorter.data(), 4, report.get()));
    EXPECT_EQ(report->str(), "File too large for safe in-memory inspection: " + path + "\r\n");
}

// A path of exactly `length` characters inside the temp dir.
std::string path_of_length(const TempDir& dir, size_t length) {
    std::string base = dir.path() + kPathSeparator;
    std::string sub = base + std::string(100, 's');
    std::string name(length - sub.size() - 1, 'n');
    return sub + kPathSeparator + name;
}

TEST_F(Files, ReplaceRefusesTargetsTooLongForTheStagingName) {
    fb.make_dir(dir.path() + kPathSeparator + std::string(100, 's'));
    const auto data = bytes("new");
    const std::string ok = path_of_length(dir, 251);
    ASSERT_EQ(ok.size(), 251u);
    EXPECT_TRUE(replace_file_atomic(fp, ok, data.data(), 3, report.get())) << report->str();
    EXPECT_EQ(content(ok), "new");

    const std::string too_long = path_of_length(dir, 252);
    fp.reset_counts();
    EXPECT_FALSE(replace_file_atomic(fp, too_long, data.data(), 3, report.get()));
    EXPECT_EQ(report->str(), "Target path is too long for a safe temporary name.\r\n");
    EXPECT_EQ(fp.mutating_calls(), 0);
    EXPECT_FALSE(fb.exists(too_long));
}

TEST_F(Files, ReplaceRemovesAStaleStagingFileFirst) {
    const std::string target = dir / "SFMCONF.DAT";
    fb.write_text(target, "old");
    fb.write_text(target + ".MRLNEW", "half-written leftover");
    const auto data = bytes("new contents");
    EXPECT_TRUE(replace_file_atomic(fp, target, data.data(), 12, report.get()));
    EXPECT_EQ(content(target), "new contents");
    EXPECT_FALSE(fb.exists(target + ".MRLNEW"));
}

// Every call of the replacement fails in turn: the target holds its old bytes whenever the
// operation reports failure, and the new bytes when it reports success.
TEST_F(Files, ReplaceLeavesOldOrNewBytesWhicheverStepFails) {
    const std::string target = dir / "SFMCONF.DAT";
    const auto data = bytes("NEW-NEW-NEW-NEW");
    int failures = 0;
    for (int n = 1;; ++n) {
        fb.write_text(target, "old bytes");
        fb.write_text(target + ".MRLNEW", "stale");
        report->reset();
        fp.fail_any_nth(n, [](Op op) { return op != Op::Close && op != Op::Allocate; });
        const bool ok = replace_file_atomic(fp, target, data.data(), static_cast<uint32_t>(data.size()), report.get());
        if (ok) {
            EXPECT_EQ(content(target), "NEW-NEW-NEW-NEW");
            EXPECT_FALSE(fb.exists(target + ".MRLNEW"));
            break;
        }
        ++failures;
        EXPECT_EQ(content(target), "old bytes") << "failing call " << n << ": " << report->str();
        EXPECT_FALSE(report->empty()) << "failing call " << n << " reported nothing";
        ASSERT_LT(n, 100);
    }
    fp.fail_any_nth(0, nullptr);
    EXPECT_GE(failures, 5);  // stale delete, create, write, flush, rename at least
}

TEST_F(Files, ReplaceFailingRenameRemovesItsStagingFile) {
    const std::string target = dir / "SFMCONF.DAT";
    fb.write_text(target, "old");
    fp.fail_nth(Op::Rename, 1);
    const auto data = bytes("new");
    EXPECT_FALSE(replace_file_atomic(fp, target, data.data(), 3, report.get()));
    EXPECT_EQ(report->str(), "Atomic replace failed: " + target + "\r\n");
    EXPECT_EQ(content(target), "old");
    EXPECT_FALSE(fb.exists(target + ".MRLNEW"));
}

#ifndef _WIN32
// The process dies at each file-changing call of a replacement in turn; afterwards the target
// holds exactly its old or its new bytes, and a rerun completes.
TEST_F(Files, ReplaceSurvivesACrashAtEveryStep) {
    const std::string target = dir / "SFMCONF.DAT";
    const auto data = bytes("NEW CONFERENCE FILE CONTENTS");
    int crashes = 0;
    for (int n = 1;; ++n) {
        fb.write_text(target, "OLD CONFERENCE FILE");
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultPlatform crashing(*native);
            crashing.crash_at(n);
            bool ok = replace_file_atomic(crashing, target, data.data(), static_cast<uint32_t>(data.size()), nullptr);
            std::_Exit(ok ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        const std::string now = content(target);
        EXPECT_TRUE(now == "OLD CONFERENCE FILE" || now == "NEW CONFERENCE FILE CONTENTS") << "crash at " << n;
        if (WEXITSTATUS(status) != FaultPlatform::kCrashExitCode) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(now, "NEW CONFERENCE FILE CONTENTS");
            break;
        }
        ++crashes;
        // A rerun after the crash cleans up the staging file and completes.
        ASSERT_TRUE(replace_file_atomic(*native, target, data.data(), static_cast<uint32_t>(data.size()), nullptr));
        EXPECT_EQ(content(target), "NEW CONFERENCE FILE CONTENTS");
        ASSERT_LT(n, 50);
    }
    EXPECT_GE(crashes, 3);
}
#endif

TEST_F(Files, CopyNeverOverwrites) {
    const std::string src = dir / "a.bin";
    const std::string dst = dir / "b.bin";
    fb.write_text(src, "source");
    EXPECT_TRUE(copy_file_new(fp, src, dst, report.get()));
    EXPECT_EQ(content(dst), "source");
    fb.write_text(src, "changed");
    EXPECT_FALSE(copy_file_new(fp, src, dst, report.get()));
    EXPECT_EQ(content(dst), "source");
    EXPECT_EQ(report->str(), "Copy failed: " + src + " -> " + dst + "\r\n");
}

TEST_F(Files, ExclusiveProbeFailsWhileAnotherHandleHoldsTheFile) {
    const std::string path = dir / "SFMCONF.DAT";
    fb.write_text(path, "x");
    EXPECT_TRUE(probe_exclusive_access(fp, path, report.get()));
    {
        ScopedHandle holder(*native, native->open(path, OpenMode::ReadWriteExclusive));
        ASSERT_TRUE(holder.valid());
        EXPECT_FALSE(probe_exclusive_access(fp, path, report.get()));
    }
    EXPECT_FALSE(probe_exclusive_access(fp, dir / "missing.dat", report.get()));
    EXPECT_EQ(report->str(), "File is locked or not writable: " + path + "\r\nFile is locked or not writable: " +
                                 (dir / "missing.dat") + "\r\n");
    EXPECT_EQ(content(path), "x");
}

TEST_F(Files, DeleteTempFileIgnoresMissingFilesAndDirectories) {
    EXPECT_TRUE(delete_temp_file(fp, dir / "none", report.get()));
    fb.make_dir(dir / "adir");
    EXPECT_TRUE(delete_temp_file(fp, dir / "adir", report.get()));
    EXPECT_TRUE(fb.exists(dir / "adir"));
    fb.write_text(dir / "t.tmp", "x");
    fp.fail_nth(Op::Delete, 1);
    EXPECT_FALSE(delete_temp_file(fp, dir / "t.tmp", report.get()));
    EXPECT_EQ(report->str(), "Cannot delete temporary file: " + (dir / "t.tmp") + "\r\n");
}

TEST_F(Files, TransactionDirectoriesAreUniqueWithinOneSecond) {
    LocalTime t;
    t.year = 2026, t.month = 1, t.day = 31, t.hour = 23, t.minute = 59, t.second = 5;
    fp.set_time(t);
    const std::string root = dir / "SF_BACKUPS";
    std::string first, second;
    ASSERT_TRUE(create_transaction_dir(fp, root, first, 260, report.get()));
    ASSERT_TRUE(create_transaction_dir(fp, root, second, 260, report.get()));
    EXPECT_EQ(first, root + kPathSeparator + "MARLINTH_20260131_235905");
    EXPECT_EQ(second, root + kPathSeparator + "MARLINTH_20260131_235905-01");
    for (int i = 2; i <= 99; ++i) {
        std::string more;
        ASSERT_TRUE(create_transaction_dir(fp, root, more, 260, nullptr));
    }
    std::string none;
    EXPECT_FALSE(create_transaction_dir(fp, root, none, 260, report.get()));
    EXPECT_EQ(report->str(), "Could not allocate a unique timestamped transaction directory.\r\n");
}

TEST_F(Files, TransactionDirectoryFailuresAreReported) {
    std::string out;
    EXPECT_FALSE(create_transaction_dir(fp, dir / "missing/root", out, 260, report.get()));
    EXPECT_EQ(report->str(), "Cannot create directory: " + (dir / "missing/root") + "\r\n");
    report->reset();
    EXPECT_FALSE(create_transaction_dir(fp, dir.path(), out, dir.path().size() + 10, report.get()));
    EXPECT_EQ(report->str(), "Backup transaction path is too long.\r\n");
    report->reset();
    fp.fail_nth(Op::CreateDir, 1);
    EXPECT_FALSE(create_transaction_dir(fp, dir.path(), out, 260, report.get()));
    EXPECT_EQ(report->str(), "Cannot create transaction directory: " + out + "\r\n");
}

TEST_F(Files, MessageFileSearchUsesTheTwoDigitFamilyName) {
    const std::string msg = dir / "MESSAGE";
    fb.make_dir(msg);
    std::string name;
    EXPECT_FALSE(find_message_file(fp, msg, 7, name, 260));
    fb.write_text(msg + kPathSeparator + "SFMSG07.IDX", "");
    fb.write_text(msg + kPathSeparator + "SFMSG784.PTR", "");
    fb.write_text(msg + kPathSeparator + "SFMSG070.PTR", "");
    EXPECT_TRUE(find_message_file(fp, msg, 7, name, 260));
    EXPECT_EQ(name, "SFMSG07.IDX");
    EXPECT_TRUE(find_message_file(fp, msg, 784, name, 260));
    EXPECT_EQ(name, "SFMSG784.PTR");
    EXPECT_TRUE(find_message_file(fp, msg, 784, name, 5));
    EXPECT_EQ(name, "SFMS");
    EXPECT_FALSE(find_message_file(fp, msg, 78, name, 260));
    // A search path that would not fit counts as a conflict, so it can never let a write through.
    EXPECT_TRUE(find_message_file(fp, std::string(255, 'x'), 5, name, 260));
    EXPECT_EQ(name, "");
#ifndef _WIN32
    fb.write_text(msg + "/sfmsg09.ptr", "");
    EXPECT_TRUE(find_message_file(fp, msg, 9, name, 260));
    EXPECT_EQ(name, "sfmsg09.ptr");
#endif
}

TEST_F(Files, EnsureDirectoryCreatesOneLevelOnly) {
    EXPECT_TRUE(ensure_directory(fp, dir / "one", report.get()));
    EXPECT_TRUE(ensure_directory(fp, dir / "one", report.get()));
    EXPECT_FALSE(ensure_directory(fp, dir / "two/three", report.get()));
    EXPECT_EQ(report->str(), "Cannot create directory: " + (dir / "two/three") + "\r\n");
}

#ifdef _WIN32
#define P(win, posix) std::string(win)
#else
#define P(win, posix) std::string(posix)
#endif

TEST_F(Files, PathsAreSeparateUnlessEqualOrNested) {
    EXPECT_FALSE(paths_are_separate(fp, P("D:\\SF", "/d/SF"), P("d:\\sf\\", "/D/sf/")));
    EXPECT_TRUE(paths_are_separate(fp, P("D:\\SF", "/d/SF"), P("D:\\SF2", "/d/SF2")));
    EXPECT_FALSE(paths_are_separate(fp, P("D:\\SF\\NODE1", "/d/SF/NODE1"), P("D:\\SF", "/d/SF")));
    EXPECT_FALSE(paths_are_separate(fp, P("D:\\SF", "/d/SF"), P("D:\\SF\\NODE1", "/d/SF/NODE1")));
    EXPECT_FALSE(paths_are_separate(fp, P("D:\\", "/"), P("D:\\SF", "/d/SF")));
    EXPECT_FALSE(paths_are_separate(fp, "", P("D:\\SF", "/d/SF")));
    EXPECT_FALSE(paths_are_separate(fp, P("  D:/SF/  ", "  /d/SF/  "), P("D:\\SF", "/d/SF")));
    EXPECT_TRUE(paths_are_separate(fp, P("D:\\BACKUP", "/d/BACKUP"), P("D:\\SF", "/d/SF")));
}

TEST_F(Files, NormalizedPathsAreAbsoluteWithOneSeparatorStyle) {
    const std::string n = normalize_path(fp, P("C:/BBS/SF/", "/bbs//sf/"));
    EXPECT_EQ(n, P("C:\\BBS\\SF", "/bbs/sf"));
    EXPECT_EQ(normalize_path(fp, P("D:\\", "/")), P("D:\\", "/"));
    EXPECT_EQ(normalize_path(fp, "   "), "");
}

}  // namespace
}  // namespace marlinth

namespace marlinth {
namespace {

TEST_F(Files, ADirectoryIsNeverReadAsAFile) {
    fb.make_dir(dir / "SFMSG01.PTR");
    ByteBuffer out;
    EXPECT_FALSE(read_file_capped(fp, dir / "SFMSG01.PTR", out, 100, report.get()));
    EXPECT_EQ(report->str(), "Cannot open: " + (dir / "SFMSG01.PTR") + "\r\n");
}

}  // namespace
}  // namespace marlinth
