// The native platform (POSIX here, Win32 under Wine): the sharing and replacement semantics the
// file primitives and the writer depend on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "core/platform.h"
#include "core/strings.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void put(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PlatformTest : public ::testing::Test {
protected:
    std::unique_ptr<Platform> platform = make_native_platform();
    TempDir dir;

    std::string read_all(Platform::Handle h) {
        uint64_t size = 0;
        EXPECT_TRUE(platform->file_size(h, size));
        std::string out(static_cast<size_t>(size), '\0');
        uint32_t got = 0;
        EXPECT_TRUE(platform->read(h, out.data(), static_cast<uint32_t>(size), got));
        out.resize(got);
        return out;
    }
    bool write_all(Platform::Handle h, const std::string& data) {
        uint32_t written = 0;
        return platform->write(h, data.data(), static_cast<uint32_t>(data.size()), written) && written == data.size();
    }
};

TEST_F(PlatformTest, AFileOpenForReadingCanBeReadAgainAndWhileTheLogIsAppended) {
    const std::string path = dir / "SFMCONF.DAT";
    put(path, "conference bytes");
    ScopedHandle first(*platform, platform->open(path, OpenMode::ReadShared));
    ASSERT_TRUE(first.valid());
    ScopedHandle second(*platform, platform->open(path, OpenMode::ReadShared));
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(read_all(second.get()), "conference bytes");
    EXPECT_EQ(read_all(first.get()), "conference bytes");

    // A text file being written (shared for reading) can still be read meanwhile.
    const std::string log = dir / "Marlinth.log";
    ScopedHandle writer(*platform, platform->open(log, OpenMode::WriteAppend));
    ASSERT_TRUE(writer.valid());
    ASSERT_TRUE(write_all(writer.get(), "[12:00:00] started\r\n"));
    ScopedHandle reader(*platform, platform->open(log, OpenMode::ReadShared));
    ASSERT_TRUE(reader.valid());
    EXPECT_EQ(read_all(reader.get()), "[12:00:00] started\r\n");
}

TEST_F(PlatformTest, ReadingAMissingFileOrADirectoryFails) {
    EXPECT_FALSE(ScopedHandle(*platform, platform->open(dir / "missing.dat", OpenMode::ReadShared)).valid());
    EXPECT_FALSE(ScopedHandle(*platform, platform->open(dir / "missing.dat", OpenMode::ReadWriteExclusive)).valid());
    ASSERT_TRUE(platform->create_directory(dir / "sub"));
    EXPECT_FALSE(ScopedHandle(*platform, platform->open(dir / "sub", OpenMode::ReadWriteExclusive)).valid());
}

TEST_F(PlatformTest, CreateNewFailsOnAnExistingFileAndLeavesItUntouched) {
    const std::string path = dir / "STAGED.DAT";
    put(path, "old bytes");
    EXPECT_FALSE(ScopedHandle(*platform, platform->open(path, OpenMode::CreateNewExclusive)).valid());
    EXPECT_EQ(get(path), "old bytes");
    ASSERT_TRUE(platform->create_directory(dir / "adir"));
    EXPECT_FALSE(ScopedHandle(*platform, platform->open(dir / "adir", OpenMode::CreateNewExclusive)).valid());

    const std::string fresh = dir / "NEW.DAT";
    {
        ScopedHandle h(*platform, platform->open(fresh, OpenMode::CreateNewExclusive));
        ASSERT_TRUE(h.valid());
        ASSERT_TRUE(write_all(h.get(), "new"));
        EXPECT_TRUE(platform->flush(h.get()));
    }
    EXPECT_EQ(get(fresh), "new");
}

TEST_F(PlatformTest, TheExclusiveProbeFailsWhileAnotherHandleHoldsTheFile) {
    const std::string path = dir / "SFMCONF.DAT";
    put(path, "x");
    {
        ScopedHandle probe(*platform, platform->open(path, OpenMode::ReadWriteExclusive));
        ASSERT_TRUE(probe.valid());
        // Held exclusively: nobody else gets it exclusively meanwhile.
        EXPECT_FALSE(ScopedHandle(*platform, platform->open(path, OpenMode::ReadWriteExclusive)).valid());
    }
    // A file being created by a writer is locked against the probe.
    const std::string staged = dir / "STAGED.DAT";
    {
        ScopedHandle writer(*platform, platform->open(staged, OpenMode::CreateNewExclusive));
        ASSERT_TRUE(writer.valid());
        EXPECT_FALSE(ScopedHandle(*platform, platform->open(staged, OpenMode::ReadWriteExclusive)).valid());
    }
    EXPECT_TRUE(ScopedHandle(*platform, platform->open(staged, OpenMode::ReadWriteExclusive)).valid());
#ifdef _WIN32
    // On Windows any open handle, even a shared reader's (a running node's), blocks it.
    {
        ScopedHandle reader(*platform, platform->open(path, OpenMode::ReadShared));
        ASSERT_TRUE(reader.valid());
        EXPECT_FALSE(ScopedHandle(*platform, platform->open(path, OpenMode::ReadWriteExclusive)).valid());
    }
#endif
    EXPECT_TRUE(ScopedHandle(*platform, platform->open(path, OpenMode::ReadWriteExclusive)).valid());
    EXPECT_EQ(get(path), "x");
}

TEST_F(PlatformTest, TruncateAndAppendWrites) {
    const std::string path = dir / "report.txt";
    put(path, "a much longer old text");
    {
        ScopedHandle h(*platform, platform->open(path, OpenMode::WriteTruncate));
        ASSERT_TRUE(h.valid());
        ASSERT_TRUE(write_all(h.get(), "first\r\n"));
    }
    {
        ScopedHandle h(*platform, platform->open(path, OpenMode::WriteAppend));
        ASSERT_TRUE(h.valid());
        ASSERT_TRUE(write_all(h.get(), "second\r\n"));
    }
    EXPECT_EQ(get(path), "first\r\nsecond\r\n");
    {
        ScopedHandle h(*platform, platform->open(dir / "created.log", OpenMode::WriteAppend));
        ASSERT_TRUE(h.valid());
    }
    EXPECT_TRUE(platform->attributes(dir / "created.log").exists);
}

TEST_F(PlatformTest, RenameOverAnExistingFileReplacesIt) {
    const std::string target = dir / "SFMCONF.DAT";
    const std::string staging = dir / "SFMCONF.DAT.MRLNEW";
    put(target, "old");
    put(staging, "new bytes");
    ASSERT_TRUE(platform->rename_replace(staging, target));
    EXPECT_EQ(get(target), "new bytes");
    EXPECT_FALSE(platform->attributes(staging).exists);
    // A missing source changes nothing.
    EXPECT_FALSE(platform->rename_replace(staging, target));
    EXPECT_EQ(get(target), "new bytes");
}

TEST_F(PlatformTest, CopyWithoutOverwriteRefusesAnExistingDestination) {
    const std::string source = dir / "SFMSG01.DAT";
    const std::string dest = dir / "copy.dat";
    put(source, std::string(70000, 'm'));
    put(dest, "keep me");
    EXPECT_FALSE(platform->copy_file_no_overwrite(source, dest));
    EXPECT_EQ(get(dest), "keep me");
    const std::string fresh = dir / "fresh.dat";
    ASSERT_TRUE(platform->copy_file_no_overwrite(source, fresh));
    EXPECT_EQ(get(fresh), std::string(70000, 'm'));
    EXPECT_FALSE(platform->copy_file_no_overwrite(dir / "missing", dir / "other"));
    EXPECT_FALSE(platform->attributes(dir / "other").exists);
}

TEST_F(PlatformTest, DeleteAndDirectories) {
    const std::string path = dir / "temp.tmp";
    put(path, "t");
    EXPECT_TRUE(platform->delete_file(path));
    EXPECT_FALSE(platform->attributes(path).exists);
    EXPECT_FALSE(platform->delete_file(path));

    ASSERT_TRUE(platform->create_directory(dir / "one"));
    EXPECT_FALSE(platform->create_directory(dir / "one"));           // exists already
    EXPECT_FALSE(platform->create_directory(dir / "two/three"));  // one level only
    FileAttributes a = platform->attributes(dir / "one");
    EXPECT_TRUE(a.exists);
    EXPECT_TRUE(a.directory);
    EXPECT_FALSE(a.reparse_point);
    put(dir / "file", "f");
    a = platform->attributes(dir / "file");
    EXPECT_TRUE(a.exists);
    EXPECT_FALSE(a.directory);
    EXPECT_FALSE(platform->attributes(dir / "none").exists);
    EXPECT_FALSE(platform->attributes("").exists);
}

TEST_F(PlatformTest, DirectoryListingReportsKindsSizesAndReparsePoints) {
    put(dir / "SFMSG01.PTR", std::string(1234, 'p'));
    put(dir / "empty.dat", "");
    ASSERT_TRUE(platform->create_directory(dir / "NODE2"));
    std::vector<DirEntry> entries;
    ASSERT_TRUE(platform->list_directory(dir.path(), entries));
    auto find = [&](const std::string& name) -> const DirEntry* {
        for (const DirEntry& e : entries)
            if (e.name == name) return &e;
        return nullptr;
    };
    ASSERT_NE(find("SFMSG01.PTR"), nullptr);
    EXPECT_EQ(find("SFMSG01.PTR")->size, 1234u);
    EXPECT_FALSE(find("SFMSG01.PTR")->directory);
    ASSERT_NE(find("empty.dat"), nullptr);
    EXPECT_EQ(find("empty.dat")->size, 0u);
    ASSERT_NE(find("NODE2"), nullptr);
    EXPECT_TRUE(find("NODE2")->directory);
    EXPECT_FALSE(find("NODE2")->reparse_point);
    EXPECT_FALSE(platform->list_directory(dir / "missing", entries));

    // A linked directory (a junction or symbolic link) must be told apart: a copy must not
    // follow it out of the tree.
    std::error_code ec;
    fs::create_directory_symlink(fs::path(dir / "NODE2"), fs::path(dir / "LINKED"), ec);
    if (ec) GTEST_SKIP() << "cannot create a directory link here: " << ec.message();
    ASSERT_TRUE(platform->list_directory(dir.path(), entries));
    ASSERT_NE(find("LINKED"), nullptr);
    EXPECT_TRUE(find("LINKED")->reparse_point);
    EXPECT_TRUE(find("LINKED")->directory);
    EXPECT_TRUE(platform->attributes(dir / "LINKED").reparse_point);
}

TEST_F(PlatformTest, FindFirstMatchIgnoresLetterCase) {
    put(dir / "SfMsg07.Dat", "d");
    put(dir / "SFMSG70.PTR", "p");
    std::string name;
    ASSERT_TRUE(platform->find_first_match(dir.path(), "SFMSG07.*", name));
    EXPECT_EQ(name, "SfMsg07.Dat");
    ASSERT_TRUE(platform->find_first_match(dir.path(), "sfmsg70.*", name));
    EXPECT_EQ(name, "SFMSG70.PTR");
    EXPECT_FALSE(platform->find_first_match(dir.path(), "SFMSG08.*", name));
    EXPECT_FALSE(platform->find_first_match(dir.path(), "SFMSG7.*", name));
    EXPECT_FALSE(platform->find_first_match(dir / "missing", "SFMSG07.*", name));
}

TEST_F(PlatformTest, FullPathResolvesRelativePaths) {
    const std::string cwd = fs::current_path().string();
    std::string out;
    ASSERT_TRUE(platform->full_path("alpha", out));
    EXPECT_EQ(out, cwd + kPathSeparator + "alpha");
    ASSERT_TRUE(platform->full_path(std::string("alpha") + kPathSeparator + ".." + kPathSeparator + "beta", out));
    EXPECT_EQ(out, cwd + kPathSeparator + "beta");
    ASSERT_TRUE(platform->full_path(dir.path(), out));
    EXPECT_TRUE(equals_nocase(out, dir.path()));
    EXPECT_FALSE(platform->full_path("", out));
}

TEST_F(PlatformTest, TimeSpaceProcessesAndOwnPath) {
    LocalTime t = platform->local_time();
    EXPECT_GE(t.year, 2020);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_LE(t.hour, 23);

    uint64_t available = 0;
    EXPECT_TRUE(platform->free_space(dir.path(), available));
    EXPECT_GT(available, 0u);

    const std::string exe = platform->executable_path();
    ASSERT_FALSE(exe.empty());
    const std::string own(file_name_of(exe));
    EXPECT_TRUE(starts_with_nocase(own, "core_tests")) << exe;
    std::vector<std::string> names;
    ASSERT_TRUE(platform->process_names(names));
    EXPECT_NE(std::find_if(names.begin(), names.end(), [&](const std::string& n) { return equals_nocase(n, own); }),
              names.end());

    uint8_t* block = static_cast<uint8_t*>(platform->allocate(4096));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(std::all_of(block, block + 4096, [](uint8_t b) { return b == 0; }));
    platform->release(block);
}

}  // namespace
}  // namespace marlinth
