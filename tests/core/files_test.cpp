// The safe file primitives and the native platform under them (POSIX here, Win32 under Wine):
// their failure lines, the sharing and replacement semantics the writer depends on, and that an
// atomic replace never leaves a target partly written, whichever step fails. (Crashes at every
// step of a whole commit are in the writer's recovery tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "core/files.h"
#include "core/retrying_platform.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::FaultPlatform;
using test::Op;

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint32_t N(const std::string& s) { return static_cast<uint32_t>(s.size()); }

class Files : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    std::unique_ptr<TextBuffer> report = TextBuffer::create();

    std::string content(const std::string& path) {
        auto b = fb.read_file(path);
        return std::string(b.begin(), b.end());
    }
    std::string take() {  // the report so far, emptied
        std::string s = report->str();
        report->reset();
        return s;
    }
    bool write_new(const std::string& path, const std::string& data) {
        return write_file_durable_new(fp, path, U(data), N(data), report.get());
    }
    bool replace(Platform& p, const std::string& target, const std::string& data) {
        return replace_file_atomic(p, target, U(data), N(data), report.get());
    }
};

TEST_F(Files, ReadCappedTakesUpToTheCapAndReportsEveryFailureWithItsOwnLine) {
    const std::string path = dir / "data.bin", adir = dir / "SFMSG01.PTR";
    fb.write_text(path, "0123456789");
    fb.make_dir(adir);
    ByteBuffer out;
    const std::string too_large = "File too large for safe in-memory inspection: " + path + "\r\n";
    const struct { std::function<void()> fault; std::string path; uint32_t cap; std::string report; } cases[] = {
        {[] {}, path, 10, ""}, {[] {}, path, 9, too_large},
        {[] {}, adir, 10, "Cannot open: " + adir + "\r\n"},  // a directory is never read as a file
        {[&] { fp.fail_nth(Op::Read, 1); }, path, 10, "Read failed: " + path + "\r\n"},
        {[&] { fp.fake_size("data.bin", 0x100000000ull); }, path, 0xFFFFFFFFu, too_large},
    };
    for (const auto& c : cases) {
        c.fault();
        EXPECT_EQ(read_file_capped(fp, c.path, out, c.cap, report.get()), c.report.empty());
        EXPECT_EQ(out.view(), c.report.empty() ? "0123456789" : "");
        EXPECT_EQ(take(), c.report);
    }
}

// The log is appended while a viewer holds it open; a plain write truncates. (The setup
// transcript proves creating and appending.)
TEST_F(Files, TextFilesAreAppendedOrTruncatedWhileOthersRead) {
    const std::string path = dir / "Marlinth.log", nowhere = dir / "no-such-dir/x.txt";
    fb.write_text(path, "one\r\n");
    ScopedHandle viewer(*native, native->open(path, OpenMode::ReadShared));
    ASSERT_TRUE(viewer.valid());
    EXPECT_TRUE(write_text_file(fp, path, "two\r\n", true, nullptr));
    EXPECT_EQ(content(path), "one\r\ntwo\r\n");
    EXPECT_TRUE(write_text_file(fp, path, "3", false, nullptr));
    EXPECT_EQ(content(path), "3");
    EXPECT_FALSE(write_text_file(fp, nowhere, "x", false, report.get()));
    fp.fail_nth(Op::Write, 1);
    EXPECT_FALSE(write_text_file(fp, path, "abc", false, report.get()));
    EXPECT_EQ(take(), "Cannot create: " + nowhere + "\r\nWrite failed: " + path + "\r\n");
}

// New files never overwrite, count only once flushed, and are read back byte for byte.
TEST_F(Files, NewFilesNeverOverwriteAreFlushedAndVerified) {
    const std::string taken = dir / "taken.bin", adir = dir / "adir", fresh = dir / "fresh.bin", data(70000, 'm');
    fb.write_text(taken, "precious");
    fb.make_dir(adir);
    EXPECT_FALSE(write_new(taken, data) || write_new(adir, data));
    EXPECT_FALSE(copy_file_new(fp, dir / "missing", fresh, report.get()));
    fp.fail_nth(Op::Write, 1);
    EXPECT_FALSE(write_new(dir / "partial.bin", data));
    EXPECT_EQ(take(), "Cannot create binary file: " + taken + "\r\nCannot create binary file: " + adir + "\r\nCopy failed: " +
                          (dir / "missing") + " -> " + fresh + "\r\nBinary write failed: " + (dir / "partial.bin") + "\r\n");
    EXPECT_TRUE(write_new(fresh, data));
    EXPECT_EQ(fp.calls(Op::Flush), 1);  // the only flush so far
    EXPECT_TRUE(copy_file_new(fp, fresh, dir / "copy.bin", report.get()));
    EXPECT_FALSE(copy_file_new(fp, fresh, taken, nullptr));
    EXPECT_EQ(content(dir / "copy.bin") + content(taken), data + "precious");

    const std::string mismatch = "Verification mismatch: " + fresh + "\r\n";
    const struct { std::string expected, report; } cases[] = {
        {data, ""}, {data + "m", mismatch}, {data.substr(1), mismatch}, {data.substr(1) + "X", mismatch},
        {"abcd", "File too large for safe in-memory inspection: " + fresh + "\r\n"},  // refused by the read
    };
    for (const auto& c : cases) {
        EXPECT_EQ(verify_file_bytes(fp, fresh, U(c.expected), N(c.expected), report.get()), c.report.empty()) << c.expected.size();
        EXPECT_EQ(take(), c.report) << c.expected.size();
    }
}

// Every call of the replacement fails in turn, with a stale staging file left from before: the
// target holds its old bytes whenever the operation reports failure, the new ones on success.
TEST_F(Files, ReplaceLeavesOldOrNewBytesWhicheverStepFails) {
    const std::string target = dir / "SFMCONF.DAT", staging = target + ".MRLNEW";
    std::set<Op> failed;
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 100);
        fb.write_text(target, "old bytes");
        fb.write_text(staging, "stale");
        fp.fail_any_nth(n, [](Op op) { return op != Op::Close && op != Op::Allocate; });
        const bool ok = replace(fp, target, "NEW-NEW-NEW-NEW");
        const std::string why = take();
        if (ok) break;
        const Op op = fp.injected().back().first;
        failed.insert(op);
        SCOPED_TRACE("failing call " + std::to_string(n) + ": " + why);
        // Once renamed, only the directory entry may not last.
        EXPECT_EQ(content(target), op == Op::FlushDir ? "NEW-NEW-NEW-NEW" : "old bytes");
        const std::string replace_failed = "Atomic replace failed: " + target + "\r\n";
        EXPECT_EQ(why, op == Op::FlushDir ? "New bytes are in place but could not be made durable: " + target + "\r\n"
                       : op == Op::Rename ? replace_failed
                                          : why);
        EXPECT_FALSE(why.empty() || (op == Op::Rename && fb.exists(staging)));  // a failed rename removes its staging file
    }
    fp.fail_any_nth(0, nullptr);
    EXPECT_EQ(content(target), "NEW-NEW-NEW-NEW");
    EXPECT_FALSE(fb.exists(staging));
    // The stale delete, create, write, flush, rename and directory flush at least.
    EXPECT_TRUE(failed.size() >= 6 && failed.count(Op::Rename) && failed.count(Op::FlushDir));

    // A target too long for its staging name is refused before anything is touched.
    const std::string sub = dir / std::string(100, 's');
    fb.make_dir(sub);
    const std::string longest = sub + kPathSeparator + std::string(kMaxReplaceTarget - sub.size() - 1, 'n');
    EXPECT_TRUE(replace(fp, longest, "new")) << take();
    fp.reset_counts();
    EXPECT_FALSE(replace(fp, longest + "n", "new"));
    EXPECT_EQ(take(), "Target path is too long for a safe temporary name.\r\n");
    EXPECT_EQ(fp.mutating_calls(), 0);
}

// Preflight's own tests hold a node file open exclusively, and Restore's checks meet read-only
// node files; these are the other holders.
TEST_F(Files, TheLockProbeFailsWhileAnyoneElseHoldsTheFile) {
    const std::string path = dir / "SFMCONF.DAT", staged = dir / "STAGED.DAT", missing = dir / "missing.dat";
    fb.write_text(path, "x");
    {
        ScopedHandle writer(*native, native->open(staged, OpenMode::CreateNewExclusive));  // being created
        ASSERT_TRUE(writer.valid());
        EXPECT_FALSE(probe_exclusive_access(fp, staged, report.get()));
#ifdef _WIN32
        // On Windows any open handle, even a running node's shared reader, blocks it.
        ScopedHandle reader(*native, native->open(path, OpenMode::ReadShared));
        EXPECT_FALSE(probe_exclusive_access(fp, path, nullptr));
#endif
    }
    EXPECT_TRUE(probe_exclusive_access(fp, staged, report.get()) && probe_exclusive_access(fp, path, report.get()));
    EXPECT_FALSE(probe_exclusive_access(fp, missing, report.get()) || probe_exclusive_access(fp, dir.path(), report.get()));
    const std::string locked = "File is locked or not writable: ";
    EXPECT_EQ(take(), locked + staged + "\r\n" + locked + missing + "\r\n" + locked + dir.path() + "\r\n");
    EXPECT_EQ(content(path), "x");
}

// A directory is never deleted as a temporary file, and a backup root
// runs out of transaction names after 100 in one second.
TEST_F(Files, DirectoriesAndTemporaryFiles) {
    const std::string one = dir / "one", tmp = dir / "t.tmp";
    fb.write_text(tmp, "x");
    EXPECT_TRUE(ensure_directory(fp, one, report.get()) && ensure_directory(fp, one, report.get()));
    // Windows makes no folder past 247 characters; the check holds on any platform.
    const auto of_length = [&](size_t n) { return dir.path() + kPathSeparator + std::string(n - dir.path().size() - 1, 'P'); };
    EXPECT_TRUE(ensure_directory(*native, of_length(247), report.get()));
    EXPECT_FALSE(ensure_directory(*native, of_length(248), report.get()));
    EXPECT_EQ(take(), "Directory path is too long for Windows to create: " + of_length(248) + "\r\n");
    EXPECT_TRUE(delete_temp_file(fp, dir / "none", report.get()) && delete_temp_file(fp, one, report.get()) && fb.exists(one));
    fp.fail_nth(Op::Delete, 1);
    EXPECT_FALSE(delete_temp_file(fp, tmp, report.get()));
    EXPECT_TRUE(delete_temp_file(fp, tmp, report.get()) && !fb.exists(tmp));

    fp.set_time({2026, 1, 31, 23, 59, 5});
    std::string out;
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(create_transaction_dir(fp, one, out, 260, report.get()));
    EXPECT_EQ(out, one + kPathSeparator + "MARLINTH_20260131_235905-99");
    EXPECT_FALSE(create_transaction_dir(fp, one, out, 260, report.get()));
    EXPECT_FALSE(create_transaction_dir(fp, dir.path(), out, dir.path().size() + 10, report.get()));
    EXPECT_EQ(take(), "Cannot delete temporary file: " + tmp +
                          "\r\nCould not allocate a unique timestamped transaction directory.\r\n"
                          "Backup transaction path is too long.\r\n");
}

// Preflight's own tests cover a plain conflict; these are the edges of the name match.
TEST_F(Files, MessageFileSearchMatchesTheTwoDigitFamilyInAnyLetterCase) {
    const std::string msg = dir / "MESSAGE";
    fb.make_dir(msg);
    for (const char* f : {"SfMsg07.Idx", "SFMSG784.PTR", "SFMSG070.PTR", "SFMSG13", "SFMSG15.B"}) fb.write_text(msg + kPathSeparator + f, "");
    // Only files count: a folder of a family's name is no message file, and the search goes on past it.
    for (const char* d : {"SFMSG14.OLD", "SFMSG15.A"}) fb.make_dir(msg + kPathSeparator + d);
    const struct { std::string dir; uint32_t number; size_t capacity; bool found; const char* name; } cases[] = {
        {msg, 7, 260, true, "SfMsg07.Idx"}, {msg, 784, 5, true, "SFMS"}, {msg, 78, 260, false, ""},
        {msg, 13, 260, true, "SFMSG13"},  // X.* finds X without an extension, as on Windows
        {msg, 14, 260, false, ""}, {msg, 15, 260, true, "SFMSG15.B"},
        // A search path that would not fit counts as a conflict, so it can never let a write through.
        {std::string(255, 'x'), 5, 260, true, ""},
    };
    std::string name;
    for (const auto& c : cases) {
        EXPECT_EQ(find_message_file(fp, c.dir, c.number, name, c.capacity), c.found) << c.number;
        EXPECT_EQ(name, c.name) << c.number;
    }
}

TEST_F(Files, PathsAreNormalizedAndSeparateUnlessEqualOrNested) {
    const auto P = [](const char* win, const char* posix) { return std::string(kPathSeparator == '\\' ? win : posix); };
    const std::string sf = P("D:\\SF", "/d/SF"), sep(1, kPathSeparator);
    const struct { std::string a, b; bool separate; } cases[] = {
        {sf, P("d:\\sf\\", "/D/sf/"), false}, {sf, P("D:\\SF2", "/d/SF2"), true},  // a shared prefix is not nesting
        {P("D:\\", "/"), sf, false}, {"", sf, false},  // the preflight's own tests cover nesting
        {P("  D:/SF/  ", "  /d/SF/  "), sf, false},
    };
    for (const auto& c : cases) EXPECT_EQ(paths_are_separate(fp, c.a, c.b), c.separate) << c.a << " | " << c.b;
    EXPECT_EQ(normalize_path(fp, "alpha" + sep + ".." + sep + "beta"), fs::current_path().string() + sep + "beta");
}

// What the backup and the preflight ask of the platform: a linked directory told apart, so that a
// backup never follows it out of the tree (the backup's own test skips unless it is), free space,
// and the running programs.
TEST_F(Files, ThePlatformMarksLinksAndSeesFreeSpaceAndItsOwnProcess) {
    fb.make_dir(dir / "NODE2");
    std::error_code ec;
    fs::create_directory_symlink(fs::path(dir / "NODE2"), fs::path(dir / "LINKED"), ec);
    EXPECT_TRUE(ec || native->attributes(dir / "LINKED").reparse_point) << ec.message();
    EXPECT_FALSE(native->attributes(dir / "NODE2").reparse_point);
    uint64_t available = 0;
    EXPECT_TRUE(native->free_space(dir.path(), available) && available > 0);
    const std::string own(file_name_of(native->executable_path()));
    EXPECT_TRUE(starts_with_nocase(own, "core_tests")) << own;
    std::vector<std::string> names;
    ASSERT_TRUE(native->process_names(names));
    EXPECT_TRUE(std::any_of(names.begin(), names.end(), [&](const std::string& n) { return equals_nocase(n, own); }));
}

// A copy of a file marked read-only (CopyFile carries the attribute on Windows) is an ordinary
// file: its flush and its later removal by the sysop work.
TEST_F(Files, ACopyOfAReadOnlyFileCanBeFlushedAndRemoved) {
    const std::string source = dir / "SFMCONF.DAT", copy = dir / "Node01-SFMCONF.DAT";
    fb.write_text(source, "records");
    fs::permissions(source, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    ASSERT_TRUE(copy_file_new(*native, source, copy, report.get())) << take();
    EXPECT_TRUE(native->flush_file(copy));
    EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_TRUE(native->delete_file(copy));
    fs::permissions(source, fs::perms::owner_write, fs::perm_options::add);
}

// A file held for a moment is tried ten times within two seconds; when call after call stays
// held (no scanner: a folder that may not be read), the waiting stops after three of them and
// comes back with the first call that succeeds.
TEST_F(Files, RetriesWaitForABusyFileButNotForeverForAFolderThatStaysBusy) {
    const std::string path = dir / "SFMCONF.DAT";
    fb.write_text(path, "records");
    RetryingPlatform retrying(fp);
    uint32_t full = 0;
    for (uint32_t ms : RetryingPlatform::kPauses) full += ms;
    fp.busy_nth(1, 9);  // free at the tenth try
    ScopedHandle held(retrying, retrying.open(path, OpenMode::ReadShared));
    EXPECT_TRUE(held.valid());
    EXPECT_EQ(fp.paused_ms(), full);
    held.reset();
    fp.busy_nth(1, 1000);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(retrying.open(path, OpenMode::ReadShared), Platform::kInvalidHandle);
    EXPECT_EQ(fp.paused_ms(), full * 4);
    fp.busy_nth(0, 0);
    held.adopt(retrying.open(path, OpenMode::ReadShared));
    EXPECT_TRUE(held.valid());
    held.reset();
    fp.busy_nth(1, 2);
    held.adopt(retrying.open(path, OpenMode::ReadShared));  // waits again
    EXPECT_TRUE(held.valid());
    EXPECT_EQ(fp.paused_ms(), full * 4 + 10 + 20);
}

}  // namespace
}  // namespace marlinth
