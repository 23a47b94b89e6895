// The .NA review: the filters and the name rules on literal records, then in a headless session
// the scripted roads through the .NA Preview tab.
#include "app/import_commands.h"

#include <gtest/gtest.h>

#include "core/strings.h"
#include "import/review.h"
#include "support/fault_platform.h"
#include "support/golden_diff.h"
#include "support/na_fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "ui/dispatch.h"
#include "ui/headless/script_runner.h"

namespace marlinth {
namespace {

using C = ControlId;

// The settings and plan status lines no walk here changes are left out of the transcript; any
// other text on those lines still shows.
std::string without_idle_status(std::string text) {
    const std::string idle = "\nsettings: Run inspection, load an .NA file, and review proposed names before generating a plan.\nplan: \n";
    for (size_t at; (at = text.find(idle)) != std::string::npos;) text.erase(at + 1, idle.size() - 1);
    return text;
}

// Rows: READY, shortened (REVIEW), tag exists (BLOCKED), no description (REVIEW).
AreaPreview four_areas() {
    AreaPreview p;
    p.areas.resize(4);
    p.areas[1].needs_review = p.areas[1].name_shortened = true;
    p.areas[1].proposed_name = "fsxNet: A description that is far too lo";
    p.areas[2].blocked = p.areas[2].tag_exists = true;
    p.areas[3].needs_review = p.areas[3].no_description = true;
    for (ImportedArea& a : p.areas) set_status_text(a);
    p.recount();
    return p;
}

TEST(AreaReview, FiltersAndNameEdits) {
    AreaPreview p = four_areas();
    std::string shown;  // the rows each filter shows: all, ready, review, blocked
    for (int filter = 0; filter < 4; ++filter)
        for (size_t i = 0; i <= 4; ++i) shown += i == 4 ? "|" : area_passes_filter(p.areas[i], filter) ? dec(i) : "";
    EXPECT_EQ(shown, "0123|0|13|2|");
    const std::string forty(40, 'F'), was = p.areas[1].proposed_name, edited = "EDITED - sysop approved";
    const struct {
        int index;
        std::string typed, error, name, status;
    } edits[] = {
        {1, forty + "G", "Spitfire conference descriptions are limited to 40 characters.", was, "SHORTENED - review name"},
        {1, "   \t ", "The proposed conference name cannot be blank.", was, "SHORTENED - review name"},
        {-1, "Some name", "Select an imported echo first.", was, "SHORTENED - review name"},
        {4, "Some name", "Select an imported echo first.", was, "SHORTENED - review name"},
        {1, forty + std::string(22, ' ') + "beyond", "", forty, edited},  // only 62 characters are read
        {2, "Renamed but still blocked", "", "Renamed but still blocked", "ERROR: echo tag already exists"},
    };
    auto errors = TextBuffer::create();
    for (const auto& e : edits) {
        SCOPED_TRACE(e.typed);
        errors->reset();
        EXPECT_EQ(set_area_name(p, e.index, e.typed, errors.get()), e.error.empty());
        EXPECT_EQ(errors->str(), e.error.empty() ? "" : e.error + "\r\n");
        const ImportedArea& a = p.areas[e.index == 2 ? 2 : 1];
        EXPECT_EQ(a.proposed_name, e.name);
        EXPECT_EQ(a.status_text, e.status);
    }
    EXPECT_EQ(dec(p.ready_count) + "/" + dec(p.review_count) + "/" + dec(p.blocked_count), "2/1/1");
    EXPECT_TRUE(p.areas[2].blocked);
}

// Ten records after a comment: 4 READY, 3 REVIEW, 3 BLOCKED, against 3 existing conferences.
const char* const kMixedList =
    "; fsxNet test list\r\nFSX_GEN      General chat\r\nFSX_ADS      Advertisements for BBS systems\r\n"
    "ECHO3        Existing\r\nFSX_LONG     A description that is far too long for a name\r\nFSX_NODESC   \r\n"
    "FSX_GEN      Again\r\nFSX_BLANK40  abcdefghijklmnopqrstuvwxyz01234 tail words\r\n"
    "FSX_TOO_LONG_TAG  Sixteen characters\r\nFSX_TECH     Technology\r\nFSX_ART      Art\r\n";

// The .NA Preview tab walked through the program, one script and transcript each
// (tests/scripts/<name>.script and .expected): a whole review after a real inspection, then one
// session's loads, edits, approvals and details, where the inspection is stood in for by its
// conferences and the interludes check the stage flags no screen shows.
TEST(Review, SysopReviewsAreaListsByScript) {
    auto native = make_native_platform();
    test::FaultPlatform faulty(*native);
    faulty.set_time(LocalTime{2026, 12, 5, 11, 15, 42});
    faulty.set_processes({});
    test::TempDir dir;
    const test::Installation inst = test::build_installation(*native, dir / "BBS", {1, test::echo_conferences(3)});
    const auto write = [&](const std::string& name, const std::string& text) {
        test::FixtureBuilder(*native).write_text(dir / name, text);
        return dir / name;
    };
    const test::ScriptVars vars{
        {"NODE1", inst.nodes[0]}, {"MESSAGE", inst.message_dir},
        // Made-up tags and descriptions, one of every verdict.
        {"NA", write("AREAS.NA", "; fsxNet echomail areas (generated for the acceptance test)\r\n;\r\n"
                                 "FSX_GEN        General chit chat\r\n"
                                 "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
                                 "FSX_DAT        fsxNet data exchange\r\nECHO2          An area the BBS already carries\r\n"
                                 "FSX_ADS\r\nFSX_NEWS       Network news\r\nfsx_gen        General again\r\n"
                                 "FSX_RETRO_COMPUTING  Retro computing\r\nFSX_ART        \r\n")},
        {"MIXED", write("fsxnet.na", kMixedList)},
        {"HUGE", write("huge.na", test::large_na_file(10, kMaxAreaListBytes + 1))},
        {"NOISE", write("RANDOM.NA", test::noise_bytes(4000))},
        {"REASONS", write("reasons.na", "FSX_GEN      fsx: General chat\r\nfsx_gen      Again\r\nFSX_TOO_LONG_TAG  Sixteen\r\n"
                                        "FSX_TOO_LONG_TAG  twice\r\nLONELY\r\nECHO3  Existing\r\n")}};
    // Checks the plan and the preflight are stale, then makes them current for the next step.
    const auto stale = [](App& app) {
        EXPECT_TRUE(!app.flags.plan_current && !app.flags.preflight_passed && app.plan_report_offset == 0);
        app.flags.plan_current = app.flags.preflight_passed = true;
        app.plan_report_offset = 99;
    };
    std::string inspected;
    const struct {
        const char* name;
        test::SessionSetup prepare;
        test::Interlude between;
    } walks[] = {
        // The inspection's report, pinned by the inspection walks, must still open the report at
        // the end; the transcript shows it as one line.
        {"na_preview", {}, [&](App& app, int) { inspected = printable(app.report->str()); }},
        {"na_review_session", [](App& app) { app.profiles.profiles[6].strip_prefixes = "fsx:"; },
         [&](App& app, int part) {
             switch (part) {
             case 1:
                 app.baseline.conferences = test::decoded_conferences(test::echo_conferences(3));
                 break;
             case 2:  // each edit and approval makes a current plan and a passed preflight stale
             case 3:
                 stale(app);
                 break;
             case 4:  // the Approve button is the wizard's: its click is delivered as the page would
                 dispatch(app, C::WizardApproveSelected, UiEvent::Clicked);
                 stale(app);
                 break;
             case 5:  // the report keeps the sysop's edit after the preview
                 EXPECT_NE(app.report->str().find("\r\n\r\nSYSOP PREVIEW EDIT: Line 5 / FSX_LONG -> \"Long Name Fixed\"\r\n"),
                           std::string::npos);
                 EXPECT_TRUE(app.flags.na_loaded);
                 faulty.fail_nth(test::Op::OpenRead, 2);  // the parse reads, the fingerprint read fails
                 break;
             case 6:
             case 7:
                 EXPECT_FALSE(app.flags.na_loaded);
                 break;
             case 8:  // the existing tag's conference is gone meanwhile
                 app.baseline.conferences.resize(1);
                 break;
             }
             test::plain_lines(app.view.text(C::AreaDetails));  // CR LF only
         }},
    };
    for (const auto& walk : walks) {
        SCOPED_TRACE(walk.name);
        const std::string name = walk.name;
        test::FixtureBuilder(*native).make_dir(dir / name);
        const test::ScriptResult r =
            test::run_script_parts(faulty, dir / name, test::load_script(name + ".script"), vars, walk.prepare, walk.between);
        ASSERT_TRUE(r.ok) << r.output;
        std::string shown = without_idle_status(r.output);
        if (!inspected.empty() && shown.find("\n" + inspected) != std::string::npos)
            shown.replace(shown.find("\n" + inspected) + 1, inspected.size(), "[the inspection's report]\n");
        EXPECT_EQ(shown, test::golden(name + ".expected", shown, vars));
        inspected.clear();
    }
}

}  // namespace
}  // namespace marlinth
