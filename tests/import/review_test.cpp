// The .NA review: the filters and the name rules on literal records, then in a headless session
// what the road in tests/scripts/na_preview.script does not pass.
#include "app/import_commands.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/strings.h"
#include "import/review.h"
#include "support/fault_platform.h"
#include "support/na_fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using C = ControlId;
using Strings = std::vector<std::string>;

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
        {1, "  Long Name Fixed  ", "", "Long Name Fixed", edited},
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

// Ten records after a comment: 4 READY, 3 REVIEW, 3 BLOCKED, against 12 existing conferences.
const char* const kMixedList =
    "; fsxNet test list\r\nFSX_GEN      General chat\r\nFSX_ADS      Advertisements for BBS systems\r\n"
    "ECHO3        Existing\r\nFSX_LONG     A description that is far too long for a name\r\nFSX_NODESC   \r\n"
    "FSX_GEN      Again\r\nFSX_BLANK40  abcdefghijklmnopqrstuvwxyz01234 tail words\r\n"
    "FSX_TOO_LONG_TAG  Sixteen characters\r\nFSX_TECH     Technology\r\nFSX_ART      Art\r\n";

class ReviewTest : public ::testing::Test {
protected:
    ReviewTest() : faulty(*native), session(faulty, home.path()) {
        app().baseline.conferences = test::decoded_conferences(test::echo_conferences(12));
    }
    App& app() { return session.app(); }
    // The list written as `name`, then "Load .NA File..." with the dialog answered by it.
    std::string load(const std::string& name, const char* text = nullptr) {
        if (text) test::FixtureBuilder(*native).write_text(lists / name, text);
        session.view().queue_pick(lists / name);
        session.view().click(C::LoadNaFile);
        return lists / name;
    }
    // The boxes shown since the last call, each as its icon's initial and its text.
    Strings take_boxes() {
        Strings out;
        for (const RecordedBox& b : session.view().boxes())
            out.push_back(std::string(1, "EWIQ"[static_cast<int>(b.icon)]) + " " + b.text);
        session.view().clear_boxes();
        return out;
    }
    const ImportedArea& record(size_t i) { return app().preview.areas.at(i); }

    test::TempDir home, lists;
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform faulty;
    HeadlessSession session;
};

TEST_F(ReviewTest, SysopReviewsAnAreaListByScript) {
    faulty.set_time(LocalTime{2026, 12, 5, 11, 15, 42});
    faulty.set_processes({});
    // Made-up tags and descriptions, one of every verdict.
    const std::string na = lists / "AREAS.NA";
    test::FixtureBuilder(*native).write_text(
        na, "; fsxNet echomail areas (generated for the acceptance test)\r\n;\r\nFSX_GEN        General chit chat\r\n"
            "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
            "FSX_DAT        fsxNet data exchange\r\nECHO2          An area the BBS already carries\r\nFSX_ADS\r\n"
            "FSX_NEWS       Network news\r\nfsx_gen        General again\r\n"
            "FSX_RETRO_COMPUTING  Retro computing\r\nFSX_ART        \r\n");
    const test::Installation inst = test::build_installation(*native, lists / "BBS", {1, test::echo_conferences(12)});
    test::FixtureBuilder(*native).make_dir(lists / "app");
    const test::ScriptVars vars{{"NA", na}, {"NODE1", inst.nodes[0]}, {"MESSAGE", inst.message_dir}};
    const test::ScriptResult r = test::run_script(faulty, lists / "app", test::load_script("na_preview.script"), vars);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::golden("na_preview.expected", r.output, vars));
}

// Nothing loads without a file or an inspection; a load that fails clears the list, says so on
// the status line and in the log, and one whose fingerprint cannot be taken keeps the writer blocked.
TEST_F(ReviewTest, LoadGatesAndFailures) {
    session.view().click(C::Reparse);
    app().baseline.conferences.clear();
    session.view().click(C::LoadNaFile);
    EXPECT_EQ(take_boxes(), (Strings{"W Load an .NA file first.", "W Run an inspection before loading an .NA file."}));
    EXPECT_TRUE(session.view().file_dialogs().empty());
    app().baseline.conferences = test::decoded_conferences(test::echo_conferences(12));

    const auto failed = [&](const std::string& file, const std::string& box) {
        EXPECT_EQ(take_boxes(), Strings{box});
        EXPECT_EQ(session.view().status(StatusLine::Main), ".NA load failed: " + file);
        const std::string log = app().log->str(), line = "] .NA load failed: " + file + "\r\n";
        EXPECT_TRUE(log.size() >= line.size() && log.compare(log.size() - line.size(), line.size(), line) == 0) << log;
        EXPECT_FALSE(app().flags.na_loaded);
    };
    load("fsxnet.na", kMixedList);
    take_boxes();
    ASSERT_TRUE(app().flags.na_loaded);
    faulty.fail_nth(test::Op::OpenRead, 2);  // the parse reads, the fingerprint read fails
    failed(load("fsxnet.na"),
           "E The .NA file parsed, but its source fingerprint could not be captured. Writer mode remains blocked.");
    const std::string huge = load("huge.na", test::large_na_file(10, kMaxAreaListBytes + 1).c_str());
    failed(huge, "E File too large for safe in-memory inspection: " + huge);
    EXPECT_EQ(app().preview.area_count(), 0);
    EXPECT_TRUE(session.view().rows(C::AreaList).empty());
}

// Details of the kinds the script does not show, one after another.
TEST_F(ReviewTest, DetailsNameEveryReason) {
    app().profiles.profiles[6].strip_prefixes = "fsx:";
    load("fsxnet.na", "FSX_GEN      fsx: General chat\r\nfsx_gen      Again\r\nFSX_TOO_LONG_TAG  Sixteen\r\n"
                      "FSX_TOO_LONG_TAG  twice\r\nLONELY\r\nECHO3  Existing\r\n");
    std::string all;
    for (int row = 0; row < 6; ++row) {
        if (row == 5) app().baseline.conferences.resize(1);  // the existing tag's conference is gone meanwhile
        session.view().select(C::AreaList, {row});
        all += session.view().text(C::AreaDetails) + "\r\n";
    }
    EXPECT_EQ(std::count(all.begin(), all.end(), '\r'), std::count(all.begin(), all.end(), '\n'));  // CRLF only
    all.erase(std::remove(all.begin(), all.end(), '\r'), all.end());
    EXPECT_EQ(all, test::golden("na_details.expected", all, {}));
}

// An edit and an approval each make the plan stale; the edit is written to the report, and an
// approval takes only the selected REVIEW rows, with the names exactly as displayed.
TEST_F(ReviewTest, EditsAndApprovalsOfTheSessionPreview) {
    load("fsxnet.na", kMixedList);
    take_boxes();
    for (const bool approve : {false, true}) {
        app().flags.plan_current = app().flags.preflight_passed = true;
        app().plan_report_offset = 99;
        if (approve) {
            session.view().select(C::AreaList, {0, 4, 6});  // READY, REVIEW, REVIEW
            session.view().click(C::WizardApproveSelected);
        } else {
            session.view().select(C::AreaList, {3});
            session.view().type(C::AreaName, "  Long Name Fixed  ");
            session.view().click(C::ApplyName);
        }
        EXPECT_TRUE(take_boxes().empty());
        EXPECT_TRUE(!app().flags.plan_current && !app().flags.preflight_passed && app().plan_report_offset == 0);
    }
    const std::string report = app().report->str();
    EXPECT_EQ(report.substr(report.find("\r\nSYSOP PREVIEW EDIT")),
              "\r\nSYSOP PREVIEW EDIT: Line 5 / FSX_LONG -> \"Long Name Fixed\"\r\n");
    EXPECT_EQ(session.view().status(StatusLine::Main), "Approved 2 proposed conference name(s) exactly as displayed.");
    EXPECT_FALSE(record(0).sysop_edited);
    EXPECT_EQ(record(4).status_text, "EDITED - sysop approved");
    // The 40th character was a blank: the approved name is the displayed name, trimmed.
    EXPECT_EQ(record(6).proposed_name, "fsxNet: abcdefghijklmnopqrstuvwxyz01234");
}

}  // namespace
}  // namespace marlinth
