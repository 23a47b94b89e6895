// The .NA review road replayed from tests/scripts/na_preview.script and compared with its
// expected transcript. The session starts with the baseline an inspection of twelve echo
// conferences leaves behind.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/na_fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

#ifndef MARLINTH_SCRIPTS_DIR
#define MARLINTH_SCRIPTS_DIR "tests/scripts"
#endif

// This suite's build knows where the scripts are, wherever it runs from.
std::string script_file(const std::string& name) {
    std::ifstream in(std::string(MARLINTH_SCRIPTS_DIR) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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

    const std::string script = script_file("na_preview.script");
    const std::string expected = script_file("na_preview.expected");
    ASSERT_FALSE(script.empty());
    ASSERT_FALSE(expected.empty());
    const test::ScriptVars vars{{"NA", na}};
    const test::ScriptResult r = test::run_script(fp, dir / "app", script, vars, [](App& app) {
        app.baseline.conferences = test::decoded_conferences(test::echo_conferences(12));
        app.report->append_line("Marlinth v0.4b INSPECTION REPORT");
        app.report->append_line("(the inspection's sections)");
        app.baseline.report_length = app.report->length();
    });
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::substitute(expected, vars));
}

}  // namespace
}  // namespace marlinth
