// The .NA review in a headless session. The road a sysop takes (load, list, details, filters,
// edits, approvals, another profile) is replayed from tests/scripts/na_preview.script and
// compared whole; the tests beside it cover what that road does not pass.
#include "app/import_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/strings.h"
#include "import/area_list.h"
#include "support/fault_platform.h"
#include "support/na_fixture.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using C = ControlId;
using Strings = std::vector<std::string>;

TEST(NaPreviewScript, SysopReviewsAnAreaList) {
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp(*native);
    fp.set_time(LocalTime{2026, 12, 5, 11, 15, 42});
    fp.set_processes({});
    test::TempDir dir;
    const std::string na = dir / "lists/AREAS.NA";
    // Made-up tags and descriptions, one of every verdict.
    test::FixtureBuilder(*native).write_text(
        na, "; fsxNet echomail areas (generated for the acceptance test)\r\n;\r\nFSX_GEN        General chit chat\r\n"
            "FSX_BOT        Bot testing and automation for fsxNet nodes and points\r\n"
            "FSX_DAT        fsxNet data exchange\r\nECHO2          An area the BBS already carries\r\nFSX_ADS\r\n"
            "FSX_NEWS       Network news\r\nfsx_gen        General again\r\n"
            "FSX_RETRO_COMPUTING  Retro computing\r\nFSX_ART        \r\n");
    test::InstallationSpec wanted;
    wanted.nodes = 1;
    wanted.conferences = test::echo_conferences(12);
    const test::Installation inst = test::build_installation(*native, dir / "BBS", wanted);
    test::FixtureBuilder(*native).make_dir(dir / "app");
    const test::ScriptVars vars{{"NA", na}, {"NODE1", inst.nodes[0]}, {"MESSAGE", inst.message_dir}};
    const test::ScriptResult r = test::run_script(fp, dir / "app", test::load_script("na_preview.script"), vars);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::golden("na_preview.expected", r.output, vars));
}

// Ten records after a comment: 4 READY, 3 REVIEW, 3 BLOCKED, against 12 existing conferences.
const char* const kMixedList =
    "; fsxNet test list\r\n"
    "FSX_GEN      General chat\r\n"                                    // 2 READY 13
    "FSX_ADS      Advertisements for BBS systems\r\n"                  // 3 READY 14
    "ECHO3        Existing\r\n"                                        // 4 BLOCKED: exists
    "FSX_LONG     A description that is far too long for a name\r\n"  // 5 REVIEW 15
    "FSX_NODESC   \r\n"                                                // 6 REVIEW 16
    "FSX_GEN      Again\r\n"                                           // 7 BLOCKED: duplicate
    "FSX_BLANK40  abcdefghijklmnopqrstuvwxyz01234 tail words\r\n"     // 8 REVIEW 17
    "FSX_TOO_LONG_TAG  Sixteen characters\r\n"                         // 9 BLOCKED: too long
    "FSX_TECH     Technology\r\n"                                      // 10 READY 18
    "FSX_ART      Art\r\n";                                            // 11 READY 19
const char* const kAllReadyList = "FSX_GEN General chat\r\nFSX_ART Art\r\n";
const std::string kLongName = "fsxNet: A description that is far too lo";

class ReviewTest : public ::testing::Test {
protected:
    ReviewTest() : faulty(*native), session(faulty, home.path()) {
        app().baseline.conferences = test::decoded_conferences(test::echo_conferences(12));
    }

    App& app() { return session.app(); }
    std::string write_list(const std::string& name, const std::string& text) {
        test::FixtureBuilder(*native).write_text(lists / name, text);
        return lists / name;
    }
    // "Load .NA File..." with the dialog answered by `path`.
    void load(const std::string& path) {
        session.view().queue_pick(path);
        session.view().click(C::LoadNaFile);
    }
    void load_mixed() {
        load(write_list("fsxnet.na", kMixedList));
        take_boxes();
    }
    const std::vector<Strings>& rows() { return session.view().rows(C::AreaList); }
    // The boxes shown since the last call, each as its icon's initial and its text.
    Strings take_boxes() {
        Strings out;
        for (const RecordedBox& b : session.view().boxes())
            out.push_back(std::string(1, "EWIQ"[static_cast<int>(b.icon)]) + " " + b.text);
        session.view().clear_boxes();
        return out;
    }
    std::string text(C id) { return session.view().text(id); }
    const ImportedArea& record(size_t i) { return app().preview.areas.at(i); }
    // Marks the later stages done, so a test can see that an action makes them stale.
    void pretend_plan_and_preflight() {
        app().flags.plan_current = true;
        app().flags.preflight_passed = true;
        app().plan_report_offset = 99;
    }
    bool plan_stale() {
        return !app().flags.plan_current && !app().flags.preflight_passed && app().plan_report_offset == 0;
    }

    test::TempDir home;
    test::TempDir lists;
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform faulty;
    HeadlessSession session;
};

TEST_F(ReviewTest, NothingLoadsWithoutAnInspectionOrAFile) {
    session.view().click(C::Reparse);
    app().baseline.conferences.clear();
    load(write_list("fsxnet.na", kMixedList));
    EXPECT_EQ(take_boxes(), (Strings{"W Load an .NA file first.", "W Run an inspection before loading an .NA file."}));
    EXPECT_TRUE(session.view().file_dialogs().empty());
    EXPECT_FALSE(app().flags.na_loaded);
}

TEST_F(ReviewTest, FailedLoadsKeepTheWriterBlocked) {
    const std::string path = write_list("fsxnet.na", kMixedList);
    faulty.fail_nth(test::Op::OpenRead, 2);  // the parse reads, the fingerprint read fails
    load(path);
    EXPECT_EQ(take_boxes(), Strings{"E The .NA file parsed, but its source fingerprint could not be captured. "
                                    "Writer mode remains blocked."});
    EXPECT_FALSE(app().flags.na_loaded);
    // Every failed load says so on the status line and in the log.
    const auto failed = [&](const std::string& file) {
        EXPECT_EQ(session.view().status(StatusLine::Main), ".NA load failed: " + file);
        const std::string log = app().log->str(), line = "] .NA load failed: " + file + "\r\n";
        EXPECT_TRUE(log.size() >= line.size() && log.compare(log.size() - line.size(), line.size(), line) == 0) << log;
    };
    failed(path);

    load_mixed();
    const SourceFingerprint before = app().import.fingerprint;
    load(write_list("huge.na", test::large_na_file(10, kMaxAreaListBytes + 1)));
    failed(lists / "huge.na");
    load(lists / "gone.na");
    failed(lists / "gone.na");
    EXPECT_EQ(take_boxes(), (Strings{"E File too large for safe in-memory inspection: " + (lists / "huge.na"),
                                     "E Cannot open: " + (lists / "gone.na")}));
    EXPECT_EQ(app().preview.area_count(), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(app().import.selected_area, -1);
    EXPECT_TRUE(app().flags.na_loaded);  // as it was: the failed loads never reached the fingerprint
    EXPECT_EQ(app().import.fingerprint.digest, before.digest);
}

// The Errors and Review filters are walked in the script; here what happens to the selection.
// That the fingerprint holds the file's bytes, and that a load makes the plan stale, is proven
// where a changed file blocks the preflight and in the script's writer status.
TEST_F(ReviewTest, LoadFilterAndSelection) {
    load_mixed();
    EXPECT_TRUE(app().flags.na_loaded);
    session.view().choose(C::ShowFilter, 1);
    EXPECT_EQ(app().import.shown_rows, (std::vector<int>{0, 1, 8, 9}));
    EXPECT_EQ(app().import.selected_area, 0);  // the selected blocked row is no longer shown: the first row
    session.view().click(C::Reparse);  // a load the sysop starts shows all again
    EXPECT_EQ(session.view().selection(C::ShowFilter), 0);
    EXPECT_EQ(app().import.selected_area, 2);

    take_boxes();
    load(write_list("fsxnet.na", kAllReadyList));  // nothing to review or fix: no box, the first row
    EXPECT_TRUE(take_boxes().empty());
    EXPECT_EQ(session.view().selected_rows(C::AreaList), std::vector<int>{0});
    session.view().choose(C::ShowFilter, 3);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(app().import.selected_area, -1);
    EXPECT_EQ(text(C::AreaDetails),
              "Select an echo record to view its complete source line, full echo tag, and exact compatibility result.");
}

// Details of the kinds the script does not show, one after another.
TEST_F(ReviewTest, DetailsNameEveryReason) {
    app().profiles.profiles[6].strip_prefixes = "fsx:";
    load(write_list("fsxnet.na", "FSX_GEN      fsx: General chat\r\nfsx_gen      Again\r\nFSX_TOO_LONG_TAG  Sixteen\r\n"
                                 "FSX_TOO_LONG_TAG  twice\r\nLONELY\r\nECHO3  Existing\r\n"));
    std::string all;
    for (int row = 0; row < 6; ++row) {
        if (row == 5) app().baseline.conferences.resize(1);  // the existing tag's conference is gone meanwhile
        session.view().select(C::AreaList, {row});
        all += text(C::AreaDetails) + "\r\n";
    }
    EXPECT_EQ(std::count(all.begin(), all.end(), '\r'), std::count(all.begin(), all.end(), '\n'));  // CRLF only
    all.erase(std::remove(all.begin(), all.end(), '\r'), all.end());
    EXPECT_EQ(all, test::golden("na_details.expected", all, {}));
}

TEST_F(ReviewTest, ApplyNameStoresValidNamesAndRefusesOthers) {
    load_mixed();
    const std::string forty(40, 'F'), edited = "EDITED - sysop approved", shortened = "SHORTENED - review name";
    const struct {
        std::vector<int> rows;
        std::string typed, box, name, status;
    } cases[] = {
        {{3}, forty + "G", "E Spitfire conference descriptions are limited to 40 characters.", kLongName, shortened},
        {{3}, "   \t ", "E The proposed conference name cannot be blank.", kLongName, shortened},
        {{}, "Some name", "E Select an imported echo first.", kLongName, shortened},
        {{3}, "  Long Name Fixed  ", "", "Long Name Fixed", edited},
        {{3}, forty + std::string(22, ' ') + "beyond", "", forty, edited},  // only 62 characters are read
        {{2}, "Renamed but still blocked", "", "Renamed but still blocked", "ERROR: echo tag already exists"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        session.view().select(C::AreaList, c.rows);
        pretend_plan_and_preflight();
        session.view().type(C::AreaName, c.typed);
        session.view().click(C::ApplyName);
        EXPECT_EQ(take_boxes(), c.box.empty() ? Strings{} : Strings{c.box});
        const ImportedArea& a = record(c.rows.empty() ? 3 : c.rows[0]);
        EXPECT_EQ(a.proposed_name, c.name);
        EXPECT_EQ(a.status_text, c.status);
        EXPECT_TRUE(plan_stale());  // whatever the outcome
    }
    const AreaPreview& p = app().preview;
    EXPECT_EQ(dec(p.ready_count) + "/" + dec(p.review_count) + "/" + dec(p.blocked_count), "5/2/3");
    EXPECT_EQ(text(C::AreaDetails).find("READY:"), std::string::npos);  // a renamed blocked row stays blocked
    session.view().select(C::AreaList, {3});
    EXPECT_EQ(text(C::AreaDetails).substr(text(C::AreaDetails).find("Compatibility result:\r\n")),
              "Compatibility result:\r\nREADY: The caller-facing name was edited and approved in this preview.\r\n");
    // Each stored edit, and only those, is written to the report.
    const std::string report = app().report->str();
    EXPECT_EQ(report.substr(report.find("\r\nSYSOP PREVIEW EDIT")),
              "\r\nSYSOP PREVIEW EDIT: Line 5 / FSX_LONG -> \"Long Name Fixed\"\r\n"
              "\r\nSYSOP PREVIEW EDIT: Line 5 / FSX_LONG -> \"" + forty + "\"\r\n"
              "\r\nSYSOP PREVIEW EDIT: Line 4 / ECHO3 -> \"Renamed but still blocked\"\r\n");
}

// Approving all displayed rows is on the script's road; here a selection that mixes kinds.
TEST_F(ReviewTest, ApprovalTakesOnlyReviewRowsExactlyAsDisplayed) {
    load_mixed();
    session.view().select(C::AreaList, {0, 4, 6});  // READY, REVIEW, REVIEW
    session.view().click(C::WizardApproveSelected);
    EXPECT_TRUE(take_boxes().empty());
    EXPECT_EQ(session.view().status(StatusLine::Main), "Approved 2 proposed conference name(s) exactly as displayed.");
    EXPECT_FALSE(record(0).sysop_edited);
    EXPECT_TRUE(record(3).needs_review);
    EXPECT_EQ(record(4).status_text, "EDITED - sysop approved");
    // The 40th character was a blank: the approved name is the displayed name, trimmed.
    EXPECT_EQ(record(6).proposed_name, "fsxNet: abcdefghijklmnopqrstuvwxyz01234");
}

}  // namespace
}  // namespace marlinth
