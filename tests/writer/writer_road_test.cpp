// The sysop's whole road, from setup to the final inspection, replayed from
// tests/scripts/writer_road.script and compared with its expected transcript, where the final
// inspection finds the staged image's SHA-256 on Node 1 and the same bytes on every other node.
// (What a commit may touch, and the backups and record it leaves, are checked by
// transaction_test.cpp.)
#include <gtest/gtest.h>

#include "core/sha256.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

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
    fb.write_text(tmp / "lists/FSXNET.NA", kAreaList);
    fb.make_dir(tmp / "app");
    const std::string old_bytes = read_all(sep(inst.nodes[0], "SFMCONF.DAT"));
    const std::string transaction = sep(inst.backup_root, "MARLINTH_20261205_103000");

    test::ScriptVars vars = {{"NODE1", inst.nodes[0]},      {"NODE2", inst.nodes[1]},     {"NODE3", inst.nodes[2]},
                             {"MESSAGE", inst.message_dir}, {"BACKUP", inst.backup_root}, {"NA", tmp / "lists/FSXNET.NA"},
                             {"TRANSACTION", transaction},  {"OLD_SHA", hex_of(old_bytes)},
                             {"SEP", std::string(1, kPathSeparator)}, {"HOME", tmp / "app"}};
    const test::ScriptResult r = test::run_script_parts(
        platform, tmp / "app", test::load_script("writer_road.script"), vars, {}, [&](App& app, int) {
            // Node 1 boots once with Test Files Upon Boot: Spitfire makes the new, empty bases.
            EXPECT_TRUE(app.flags.write_completed);
            fb.make_empty_message_bases(inst.message_dir, 7, 10);
        });
    ASSERT_TRUE(r.ok) << r.output;

    vars["NEW_SHA"] = hex_of(read_all(sep(transaction, "STAGED-SFMCONF.DAT")));
    EXPECT_EQ(r.output, test::substitute(test::load_script("writer_road.expected"), vars));
}

}  // namespace
}  // namespace marlinth
