// The .NA review road replayed from tests/scripts/na_preview.script and compared with its
// expected transcript: a one-node installation of twelve echo conferences is inspected, then
// the sysop loads and reviews a list.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

// Generated for this test; tags and descriptions are made up.
const char* const kAreaList =
    "; fsxNet echomail areas (generated for the acceptance test)\r\n"
    ";\r\n"
    "FSX_GEN        General chit chat\r\n"
    "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
    "FSX_DAT        fsxNet data exchange\r\n"
    "ECHO2          An area the BBS already carries\r\n"
    "FSX_ADS\r\n"
    "FSX_NEWS       Network news\r\n"
    "fsx_gen        General again\r\n"
    "FSX_RETRO_COMPUTING  Retro computing\r\n"
    "FSX_ART        \r\n";

TEST(NaPreviewScript, SysopReviewsAnAreaList) {
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp(*native);
    LocalTime t;
    t.year = 2026, t.month = 12, t.day = 5, t.hour = 11, t.minute = 15, t.second = 42;
    fp.set_time(t);
    fp.set_processes({});
    test::TempDir dir;
    const std::string na = dir / "lists/AREAS.NA";
    test::FixtureBuilder(*native).write_text(na, kAreaList);

    test::InstallationSpec wanted;
    wanted.nodes = 1;
    wanted.conferences = test::echo_conferences(12);
    const test::Installation inst = test::build_installation(*native, dir / "BBS", wanted);
    const std::string script = test::load_script("na_preview.script");
    ASSERT_FALSE(script.empty());
    test::FixtureBuilder(*native).make_dir(dir / "app");
    const test::ScriptVars vars{{"NA", na}, {"NODE1", inst.nodes[0]}, {"MESSAGE", inst.message_dir}};
    const test::ScriptResult r = test::run_script(fp, dir / "app", script, vars);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::golden("na_preview.expected", r.output, vars));
}

}  // namespace
}  // namespace marlinth
