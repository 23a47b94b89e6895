// Wizard Mode's acceptance roads, replayed from tests/scripts/ and compared with their expected
// transcripts: a sysop's whole road from the first question to the final inspection after
// Node 1's first boot, and the gates that refuse on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/sha256.h"
#include "core/strings.h"
#include "spitfire/conference.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

#ifndef MARLINTH_MAKE_DEMO
#define MARLINTH_MAKE_DEMO "make-demo"
#endif

namespace marlinth {
namespace {

std::string path_in(const std::string& dir, const std::string& name) {
    std::string out;
    join_path(out, 4096, dir, name);
    return out;
}

// The demo tool as this platform's shell runs it. Under Wine the build's paths are Unix paths,
// which Windows programs see on drive Z:.
std::string outside_program(std::string path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        for (char& c : path) c = c == '/' ? '\\' : c;
        return "Z:" + path;
    }
#endif
    return path;
}

class WizardRoad : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    test::Installation inst;
    std::vector<uint8_t> old_conf;

    void SetUp() override {
        fp.set_time({2026, 12, 5, 10, 30, 0});
        fp.set_processes({});
        fp.set_free_space(uint64_t(1) << 40);
        test::InstallationSpec wanted;
        wanted.nodes = 3;
        wanted.conferences = test::echo_conferences(6);
        inst = test::build_installation(*native, dir / "BBS", wanted);
        // Tags and descriptions are made up; MIXED holds an area the BBS already carries, which
        // no approval can make importable.
        fb.write_text(dir / "lists/FSXNET.NA", "; fsxNet echomail areas (generated for the wizard road)\r\n"
                                                "FSX_GEN        General chit chat\r\n"
                                                "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
                                                "FSX_NEWS       Network news\r\n");
        fb.write_text(dir / "lists/MIXED.NA", "FSX_GEN        General chit chat\r\n"
                                               "ECHO2          An area the BBS already carries\r\n"
                                               "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n");
        fb.make_dir(dir / "app");
        old_conf = conf(0);
    }

    std::vector<uint8_t> conf(size_t node) { return fb.read_file(path_in(inst.nodes[node], "SFMCONF.DAT")); }

    // Runs tests/scripts/<name>.script and compares its transcript with <name>.expected.
    void run_road(const std::string& name) {
        const test::ScriptVars v = {{"NODE1", inst.nodes[0]},    {"NODE2", inst.nodes[1]},
                                    {"NODE3", inst.nodes[2]},    {"MESSAGE", inst.message_dir},
                                    {"BACKUP", inst.backup_root}, {"ROOT", inst.root},
                                    {"NA", dir / "lists/FSXNET.NA"}, {"MIXED", dir / "lists/MIXED.NA"},
                                    {"FIRSTBOOT", outside_program(MARLINTH_MAKE_DEMO)},
                                    {"SEP", std::string(1, kPathSeparator)},
                                    {"SHA256", sha256_hex(old_conf.data(), old_conf.size())}};
        const test::ScriptResult r = test::run_script(fp, dir / "app", test::load_script(name + ".script"), v);
        ASSERT_TRUE(r.ok) << r.output;
        EXPECT_EQ(r.output, test::substitute(test::load_script(name + ".expected"), v));
    }
};

TEST_F(WizardRoad, SysopAppendsThreeAreasFromTheFirstQuestionToTheFinalInspection) {
    run_road("wizard");
    if (HasFatalFailure()) return;

    // Every node holds the old records unchanged and the three new ones, identically.
    const std::vector<uint8_t> node1 = conf(0);
    ASSERT_EQ(node1.size(), old_conf.size() + 3 * kRecordSize);
    EXPECT_TRUE(std::equal(old_conf.begin(), old_conf.end(), node1.begin()));
    EXPECT_TRUE(conf(1) == node1 && conf(2) == node1);
    std::vector<ConferenceView> views;
    ASSERT_TRUE(decode_conference_file(node1.data(), static_cast<uint32_t>(node1.size()), views, nullptr));
    ASSERT_EQ(views.size(), 9u);
    EXPECT_EQ(views[6].net_id, "FSX_GEN");
    EXPECT_EQ(views[7].net_id, "FSX_BOT");
    EXPECT_EQ(views[7].name, "fsxNet: Bot testing and automation for f");  // approved as shown
    EXPECT_EQ(views[8].net_id, "FSX_NEWS");
    EXPECT_EQ(views[8].purge_days, 90);  // the sysop's edit of the recommended defaults

    // The full backup came first (its directory has the plain name), before the first boot; the
    // transaction second within the same second.
    const std::string full = path_in(path_in(inst.backup_root, "MARLINTH_20261205_103000"), "FULL-MESSAGE");
    EXPECT_EQ(fb.read_file(path_in(full, "SFMSG06.PTR")), fb.read_file(path_in(inst.message_dir, "SFMSG06.PTR")));
    EXPECT_FALSE(fb.exists(path_in(full, "SFMSG07.PTR")));
    const std::string transaction = path_in(inst.backup_root, "MARLINTH_20261205_103000-01");
    for (const char* backup : {"Node01-SFMCONF.DAT", "Node02-SFMCONF.DAT", "Node03-SFMCONF.DAT"})
        EXPECT_EQ(fb.read_file(path_in(transaction, backup)), old_conf) << backup;
    EXPECT_EQ(fb.read_file(path_in(transaction, "STAGED-SFMCONF.DAT")), node1);
    EXPECT_TRUE(fb.exists(path_in(transaction, "TRANSACTION.txt")));

    // The first boot made the new message bases, and only those.
    for (const char* made : {"SFMSG07.PTR", "SFMSG08.IDX", "SFMSG09.LMR"})
        EXPECT_TRUE(fb.read_file(path_in(inst.message_dir, made)).empty()) << made;
    EXPECT_FALSE(fb.exists(path_in(inst.message_dir, "SFMSG10.PTR")));
}

TEST_F(WizardRoad, GatesRefuseUntilEachStageIsDoneAndNothingIsWritten) {
    run_road("wizard_gates");
    if (HasFatalFailure()) return;
    for (size_t node = 0; node < inst.nodes.size(); ++node) EXPECT_EQ(conf(node), old_conf) << node;
    // No transaction and no full backup was started.
    EXPECT_TRUE(!std::filesystem::exists(inst.backup_root) || std::filesystem::is_empty(inst.backup_root));
}

}  // namespace
}  // namespace marlinth
