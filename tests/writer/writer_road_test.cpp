// The sysop's whole road, from setup to the final inspection, replayed from
// tests/scripts/writer_road.script and compared with its expected transcript; then the disk is
// checked: the new conference file on every node, the backups, the transaction record, the log,
// and nothing else of the installation changed.
#include <gtest/gtest.h>

#include "core/sha256.h"
#include "core/strings.h"
#include "golden_text.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"

namespace marlinth {
namespace {

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }
std::string hex_of(const std::string& bytes) { return sha256_hex(bytes.data(), bytes.size()); }

// Generated for this test; tags and descriptions are made up. Two areas are ready, one name is
// too long, one area has no description, and one tag is already carried by the BBS.
const char* const kAreaList =
    "; fsxNet echomail areas (generated for the acceptance test)\r\n"
    "FSX_GEN        General chit chat\r\n"
    "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
    "ECHO2          An area the BBS already carries\r\n"
    "FSX_NEWS       Network news\r\n"
    "FSX_ART        \r\n";

TEST(WriterRoad, SysopAppendsEchoAreasAndConfirmsThemWithTheFinalInspection) {
    test::TempDir tmp;
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform platform(*native);
    platform.set_time({2026, 12, 5, 10, 30, 0});
    platform.set_processes({"explorer.exe", "NTVDM.EXE"});  // NTVDM is noted, never blocking

    test::InstallationSpec wanted;
    wanted.nodes = 3;
    const test::Installation inst = test::build_installation(*native, tmp / "BBS", wanted);
    test::FixtureBuilder fb(*native);
    const auto read_all = [&](const std::string& path) { const auto b = fb.read_file(path); return std::string(b.begin(), b.end()); };
    const std::string na = tmp / "lists/FSXNET.NA";
    fb.write_text(na, kAreaList);
    const std::string home = tmp / "app";
    fb.make_dir(home);
    const std::string old_bytes = read_all(sep(inst.nodes[0], "SFMCONF.DAT"));
    const test::TreeSnapshot before = test::snapshot_tree(inst.root);
    const std::string transaction = sep(inst.backup_root, "MARLINTH_20261205_103000");

    test::ScriptVars vars = {{"NODE1", inst.nodes[0]},      {"NODE2", inst.nodes[1]}, {"NODE3", inst.nodes[2]},
                             {"MESSAGE", inst.message_dir}, {"BACKUP", inst.backup_root}, {"NA", na},
                             {"TRANSACTION", transaction},  {"OLD_SHA", hex_of(old_bytes)},
                             {"SEP", std::string(1, kPathSeparator)}, {"HOME", home}};
    bool booted = false;
    const test::ScriptResult r = test::run_script_parts(
        platform, home, test::load_script("writer_road.script"), vars, {}, [&](App& app, int) {
            // Node 1 boots once with Test Files Upon Boot: Spitfire makes the new, empty bases.
            EXPECT_TRUE(app.flags.write_completed);
            fb.make_empty_message_bases(inst.message_dir, 7, 10);
            booted = true;
        });
    ASSERT_TRUE(r.ok) << r.output;
    ASSERT_TRUE(booted);

    const std::string staged = read_all(sep(transaction, "STAGED-SFMCONF.DAT"));
    ASSERT_EQ(staged.size(), old_bytes.size() + 4 * 128);
    vars["NEW_SHA"] = hex_of(staged);
    EXPECT_EQ(r.output, test::substitute(test::load_script("writer_road.expected"), vars));

    // Every node holds the staged image; the backups hold the old files; the record is the report.
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(read_all(sep(inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT")), staged) << "node " << i;
        EXPECT_EQ(read_all(sep(transaction, "Node0" + std::to_string(i) + "-SFMCONF.DAT")), old_bytes) << "node " << i;
    }
    const std::string record = test::plain_lines(read_all(sep(transaction, "TRANSACTION.txt")));
    ASSERT_GT(record.size(), 1000u);
    EXPECT_NE(r.output.find("\n" + record + "main: Append-only"), std::string::npos);
    // Nothing else of the installation changed: only the conference files, the backup root and
    // the message bases the BBS made.
    const test::TreeSnapshot after = test::snapshot_tree(inst.root);
    const auto outside = [](const test::TreeSnapshot& s) {
        return test::without(s, {"SFMCONF.DAT", "SF_BACKUPS", "SFMSG07.", "SFMSG08.", "SFMSG09.", "SFMSG10."});
    };
    EXPECT_EQ(outside(after), outside(before));
    EXPECT_EQ(after.size(), before.size() + 4 * 4 + 1 + 1 + 5);  // new bases, backup root, transaction dir, its files

    // The program's own files: the configuration as saved, and the log of the whole road, which
    // is the log buffer the transcript ends with.
    EXPECT_EQ(read_all(sep(home, "Marlinth.cfg")), test::config_text_for(inst));
    const std::string log = test::plain_lines(read_all(sep(home, "Marlinth.log")));
    ASSERT_GT(log.size(), 400u);
    EXPECT_EQ(r.output.substr(r.output.size() - log.size()), log);
}

}  // namespace
}  // namespace marlinth
