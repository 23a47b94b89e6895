// The inspection road as a sysop walks it, through the scripted runner, compared with the
// expected output kept beside the script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/sha256.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(InspectionScript, SysopInspectsAndExportsTheReport) {
    test::TempDir tmp;
    auto native = make_native_platform();
    test::FaultPlatform platform(*native);
    platform.set_time({2026, 3, 7, 9, 5, 3});
    platform.set_processes({"explorer.exe", "NTVDM.EXE"});

    test::InstallationSpec wanted;
    wanted.nodes = 3;
    wanted.conferences = test::echo_conferences(4);
    wanted.conferences[0].name = "Local Chatter";
    wanted.conferences[0].net_id.clear();
    wanted.conferences[0].allow_routing = 0;
    wanted.message_base.messages = 6;
    const test::Installation inst = test::build_installation(platform, tmp / "bbs", wanted);
    test::FixtureBuilder fb(platform);
    test::MessageBaseSpec orphan;
    orphan.messages = 6;
    orphan.shape = test::ThreadShape::OrphanReply;
    fb.make_message_base(inst.message_dir, 3, orphan);
    const std::string home = tmp / "app";
    fb.make_dir(home);
    const std::string conference_file = read_all((std::filesystem::path(inst.nodes[0]) / "SFMCONF.DAT").string());

    const test::ScriptVars vars = {
        {"NODE1", inst.nodes[0]},
        {"NODE2", inst.nodes[1]},
        {"NODE3", inst.nodes[2]},
        {"MESSAGE", inst.message_dir},
        {"REPORT", tmp / "Marlinth-inspection.txt"},
        {"SHA256", sha256_hex(conference_file.data(), conference_file.size())},
    };
    const test::ScriptResult result = test::run_script(platform, home, test::load_script("inspection.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, test::substitute(test::load_script("inspection.expected"), vars));

    // The exported file is the report, CR LF and all.
    const std::string exported = read_all(tmp / "Marlinth-inspection.txt");
    EXPECT_EQ(exported.substr(0, 34), "Marlinth v0.4b INSPECTION REPORT\r\n");
    EXPECT_NE(exported.find("CONF 03  [DANGER: invalid thread linkage]\r\n"), std::string::npos);
}

}  // namespace
}  // namespace marlinth
