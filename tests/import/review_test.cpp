#include "import/review.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/sha256.h"
#include "import/area_list.h"
#include "settings/settings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/na_fixture.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using C = ControlId;

// Ten records after a comment: 4 READY, 3 REVIEW, 3 BLOCKED, against 12 existing conferences.
const char* const kMixedList =
    "; fsxNet test list\r\n"
    "FSX_GEN      General chat\r\n"                                              // 2 READY 13
    "FSX_ADS      Advertisements for BBS systems\r\n"                            // 3 READY 14
    "ECHO3        Existing\r\n"                                                  // 4 BLOCKED: exists
    "FSX_LONG     A description that is far too long for a name\r\n"            // 5 REVIEW 15
    "FSX_NODESC   \r\n"                                                          // 6 REVIEW 16
    "FSX_GEN      Again\r\n"                                                     // 7 BLOCKED: duplicate
    "FSX_BLANK40  abcdefghijklmnopqrstuvwxyz01234 tail words\r\n"               // 8 REVIEW 17
    "FSX_TOO_LONG_TAG  Sixteen characters\r\n"                                   // 9 BLOCKED: too long
    "FSX_TECH     Technology\r\n"                                                // 10 READY 18
    "FSX_ART      Art\r\n";                                                      // 11 READY 19

const char* const kAllReadyList = "FSX_GEN General chat\r\nFSX_ART Art\r\n";
const char* const kReviewOnlyList = "FSX_GEN General chat\r\nFSX_NODESC  \r\n";

class ReviewTest : public ::testing::Test {
protected:
    ReviewTest() : faulty(*native), session(faulty, home.path()) {
        faulty.set_time(LocalTime{2024, 5, 6, 7, 8, 9});
        app().baseline.conferences = test::decoded_conferences(test::echo_conferences(12));
        app().report->append_line("Marlinth v0.4b INSPECTION REPORT");
        app().report->append_line("(inspection text)");
        app().baseline.report_length = app().report->length();
    }

    App& app() { return session.app(); }
    std::string write_list(const std::string& name, const std::string& text) {
        const std::string path = lists / name;
        test::FixtureBuilder(*native).write_text(path, text);
        return path;
    }
    // "Load .NA File..." with the dialog answered by `path`.
    void load(const std::string& path) {
        session.view().queue_pick(path);
        session.view().click(C::LoadNaFile);
    }
    std::string load_mixed() {
        const std::string path = write_list("fsxnet.na", kMixedList);
        load(path);
        return path;
    }
    const std::vector<std::vector<std::string>>& rows() { return session.view().rows(C::AreaList); }
    std::vector<std::string> column(size_t c) {
        std::vector<std::string> out;
        for (const auto& r : rows()) out.push_back(r.at(c));
        return out;
    }
    std::vector<std::string> box_texts() {
        std::vector<std::string> out;
        for (const RecordedBox& b : session.view().boxes()) out.push_back(b.text);
        return out;
    }
    std::string text(C id) { return session.view().text(id); }
    std::string writer_status() { return session.view().status(StatusLine::Writer); }
    const ImportedArea& record(size_t i) { return app().preview.areas.at(i); }
    // Marks the later stages done, so a test can see that an action makes them stale.
    void pretend_plan_and_preflight() {
        app().flags.plan_current = true;
        app().flags.preflight_passed = true;
    }

    test::TempDir home;
    test::TempDir lists;
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform faulty;
    HeadlessSession session;
};

TEST_F(ReviewTest, LoadingNeedsAnInspectionFirst) {
    app().baseline.conferences.clear();
    load(write_list("fsxnet.na", kMixedList));
    ASSERT_EQ(session.view().boxes().size(), 1u);
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(session.view().boxes()[0].text, "Run an inspection before loading an .NA file.");
    EXPECT_TRUE(session.view().file_dialogs().empty());
    EXPECT_TRUE(app().import.na_path.empty());
    EXPECT_FALSE(app().flags.na_loaded);
}

TEST_F(ReviewTest, CancelledDialogChangesNothing) {
    session.view().queue_pick_cancel();
    session.view().click(C::LoadNaFile);
    ASSERT_EQ(session.view().file_dialogs().size(), 1u);
    const FileDialogSpec& dialog = session.view().file_dialogs()[0];
    EXPECT_EQ(dialog.title, "Select an echo-area .NA file");
    ASSERT_EQ(dialog.filters.size(), 3u);
    EXPECT_EQ(dialog.filters[0].description, "Network area lists (*.NA)");
    EXPECT_EQ(dialog.filters[0].pattern, "*.NA");
    EXPECT_EQ(dialog.filters[1].description, "Text files (*.txt)");
    EXPECT_EQ(dialog.filters[1].pattern, "*.txt");
    EXPECT_EQ(dialog.filters[2].description, "All files (*.*)");
    EXPECT_EQ(dialog.filters[2].pattern, "*.*");
    EXPECT_TRUE(session.view().boxes().empty());
    EXPECT_EQ(text(C::NaPathLabel), "No .NA file loaded.");
    EXPECT_TRUE(app().import.na_path.empty());
}

TEST_F(ReviewTest, LoadShowsTheListTheFirstBlockedAreaAndTheSummary) {
    pretend_plan_and_preflight();
    const std::string path = load_mixed();

    ASSERT_EQ(session.view().boxes().size(), 1u);
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(session.view().boxes()[0].text,
              "Import completed. 10 areas loaded: 4 ready, 3 descriptions need review, and 3 areas are blocked by "
              "compatibility errors.\r\n\r\nThe first blocked area has been selected. Use the Show filter to view "
              "Ready, Review, or Errors only.\r\nNo Spitfire files were changed.");

    EXPECT_EQ(text(C::NaPathLabel), path);
    EXPECT_EQ(session.view().selection(C::ProfileChoice), 7);  // fsxnet, slot 6
    EXPECT_EQ(text(C::NetworkName), "fsxNet");
    ASSERT_EQ(rows().size(), 10u);
    EXPECT_EQ(rows()[0], (std::vector<std::string>{"2", "FSX_GEN", "General chat", "fsxNet: General chat", "13", "READY",
                                                    "fsxNet", "1", "10", "10"}));
    EXPECT_EQ(rows()[2], (std::vector<std::string>{"4", "ECHO3", "Existing", "fsxNet: Existing", "--",
                                                    "ERROR: echo tag already exists", "fsxNet", "1", "10", "10"}));
    EXPECT_EQ(column(4), (std::vector<std::string>{"13", "14", "--", "15", "16", "--", "17", "--", "18", "19"}));
    EXPECT_EQ(text(C::NaSummary),
              "Profile: fsxNet / Whitespace/padded    Network: fsxNet    Entries: 10  Ready: 4  Review: 3  Errors: 3    "
              "Showing 10 (All)    Automatic: filename matched known network profile");

    EXPECT_EQ(session.view().selected_rows(C::AreaList), std::vector<int>{2});
    EXPECT_EQ(app().import.selected_area, 2);
    EXPECT_EQ(text(C::AreaName), "fsxNet: Existing");
    EXPECT_EQ(text(C::AreaDetails),
              "Source line 4  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: ECHO3  (length 5)\r\n"
              "Raw source: ECHO3        Existing\r\n"
              "Imported description: Existing\r\n"
              "Proposed Spitfire value (max 40): fsxNet: Existing\r\n"
              "Status: ERROR: echo tag already exists\r\n"
              "Compatibility result:\r\n"
              "BLOCKED: Echo tag already exists in Spitfire Conference #3 (\"Echo Conference 3\").\r\n");

    EXPECT_TRUE(app().flags.na_loaded);
    EXPECT_FALSE(app().flags.plan_current);
    EXPECT_FALSE(app().flags.preflight_passed);
    EXPECT_FALSE(session.view().enabled(C::CommitAppend));
    EXPECT_EQ(writer_status(), ".NA preview changed. Generate a new dry-run plan.");
    EXPECT_EQ(session.view().status(StatusLine::Main), "Profile-driven .NA preview loaded; no Spitfire files changed.");
    EXPECT_NE(app().log->str().find("[07:08:09] Profile-driven .NA preview loaded; no Spitfire files changed.\r\n"),
              std::string::npos);

    const std::string bytes(kMixedList);
    EXPECT_EQ(app().import.fingerprint.size, bytes.size());
    EXPECT_EQ(app().import.fingerprint.digest, sha256(bytes));

    const std::string report = app().report->str();
    EXPECT_EQ(report.rfind("Marlinth v0.4b INSPECTION REPORT\r\n(inspection text)\r\n\r\n.NA PROFILE PREVIEW\r\n", 0), 0u);
    const std::string tail = "  Line 11: FSX_ART -> Conf 19 \"fsxNet: Art\" [READY]\r\n"
                             "    Source: Art\r\n"
                             "    Raw: FSX_ART      Art\r\n"
                             "  Proposed default Spitfire record template: clone Conference #1 (Access=10, Entry/Post=10, "
                             "PublicOnly=1, AllowDelete=0, DaysOld=120, Route=1). Security values are defaults only and "
                             "must be reviewed by the sysop.\r\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
    EXPECT_EQ(text(C::ReportText), report);
}

TEST_F(ReviewTest, EachLoadReplacesThePreviousPreviewSection) {
    load_mixed();
    session.view().click(C::Reparse);
    load_mixed();
    const std::string report = app().report->str();
    size_t sections = 0;
    for (size_t pos = report.find(".NA PROFILE PREVIEW"); pos != std::string::npos;
         pos = report.find(".NA PROFILE PREVIEW", pos + 1))
        ++sections;
    EXPECT_EQ(sections, 1u);
    EXPECT_EQ(report.rfind("Marlinth v0.4b INSPECTION REPORT", 0), 0u);

    // Without a recorded inspection length nothing is cut: the sections pile up.
    app().baseline.report_length = 0;
    session.view().click(C::Reparse);
    EXPECT_NE(app().report->str().find(".NA PROFILE PREVIEW", app().report->str().find(".NA PROFILE PREVIEW") + 1),
              std::string::npos);
}

TEST_F(ReviewTest, MessagesAfterALoadDependOnTheVerdicts) {
    load(write_list("fsxnet.na", kAllReadyList));
    EXPECT_TRUE(session.view().boxes().empty());
    EXPECT_EQ(session.view().selected_rows(C::AreaList), std::vector<int>{0});  // no blocked area: the first row

    load(write_list("fsxnet.na", kReviewOnlyList));
    ASSERT_EQ(session.view().boxes().size(), 1u);
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Information);
    EXPECT_EQ(session.view().boxes()[0].text,
              "Import completed. 2 areas loaded: 1 ready, 1 descriptions need review, and 0 areas are blocked by "
              "compatibility errors.\r\n\r\nUse the Show filter to view descriptions that need review.\r\n"
              "No Spitfire files were changed.");
}

// The Errors and Review filters are walked in the acceptance script; here the selection and an
// out-of-range position.
TEST_F(ReviewTest, FilterKeepsTheSelectedAreaWhenItIsShown) {
    load_mixed();
    session.view().choose(C::ShowFilter, 3);
    EXPECT_EQ(app().import.selected_area, 2);
    session.view().choose(C::ShowFilter, 1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"FSX_GEN", "FSX_ADS", "FSX_TECH", "FSX_ART"}));
    EXPECT_EQ(app().import.selected_area, 0);  // not shown any more: the first row
    session.view().choose(C::ShowFilter, 2);
    EXPECT_EQ(app().import.shown_rows, (std::vector<int>{3, 4, 6}));
    session.view().choose(C::ShowFilter, 7);  // no such position: All
    EXPECT_EQ(app().import.filter, 0);
    EXPECT_NE(text(C::NaSummary).find("Showing 10 (All)"), std::string::npos);
}

TEST_F(ReviewTest, FilterThatShowsNothingShowsTheHint) {
    load(write_list("fsxnet.na", kAllReadyList));
    session.view().choose(C::ShowFilter, 3);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(app().import.selected_area, -1);
    EXPECT_EQ(text(C::AreaName), "");
    EXPECT_EQ(text(C::AreaDetails),
              "Select an echo record to view its complete source line, full echo tag, and exact compatibility result.");
}

TEST_F(ReviewTest, InteractiveLoadResetsTheFilterButAProfileChangeKeepsIt) {
    load_mixed();
    session.view().choose(C::ShowFilter, 1);
    session.view().click(C::Reparse);
    EXPECT_EQ(app().import.filter, 0);
    EXPECT_EQ(session.view().selection(C::ShowFilter), 0);
    EXPECT_EQ(app().import.selected_area, 2);

    session.view().choose(C::ShowFilter, 1);
    session.view().clear_boxes();
    session.view().choose(C::ProfileChoice, 7);  // the same profile, chosen by hand
    EXPECT_EQ(app().import.filter, 1);
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_TRUE(session.view().boxes().empty());
}

TEST_F(ReviewTest, DetailsOfEveryKindOfRecord) {
    load_mixed();
    auto details_of_row = [this](int row) {
        session.view().select(C::AreaList, {row});
        return text(C::AreaDetails);
    };
    EXPECT_EQ(details_of_row(0),
              "Source line 2  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: FSX_GEN  (length 7)\r\n"
              "Raw source: FSX_GEN      General chat\r\n"
              "Imported description: General chat\r\n"
              "Proposed Spitfire value (max 40): fsxNet: General chat\r\n"
              "Status: READY\r\n"
              "Compatibility result:\r\n"
              "READY: This area is compatible with the current preview settings.\r\n");
    EXPECT_EQ(details_of_row(3),
              "Source line 5  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: FSX_LONG  (length 8)\r\n"
              "Raw source: FSX_LONG     A description that is far too long for a name\r\n"
              "Imported description: A description that is far too long for a name\r\n"
              "Proposed Spitfire value (max 40): fsxNet: A description that is far too lo\r\n"
              "Status: SHORTENED - review name\r\n"
              "Compatibility result:\r\n"
              "REVIEW: The caller-facing name was shortened to Spitfire's 40-character limit.\r\n");
    EXPECT_EQ(details_of_row(4),
              "Source line 6  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: FSX_NODESC  (length 10)\r\n"
              "Raw source: FSX_NODESC   \r\n"
              "Imported description: \r\n"
              "Proposed Spitfire value (max 40): fsxNet: FSX_NODESC\r\n"
              "Status: REVIEW: no source description\r\n"
              "Compatibility result:\r\n"
              "REVIEW: The source record has no description; review the proposed caller-facing name.\r\n");
    EXPECT_NE(details_of_row(5).find("Compatibility result:\r\n"
                                     "BLOCKED: The same echo tag appears more than once in this source file.\r\n"),
              std::string::npos);
    EXPECT_NE(details_of_row(7).find("Full echo tag: FSX_TOO_LONG_TAG  (length 16)\r\n"), std::string::npos);
    EXPECT_NE(text(C::AreaDetails).find("BLOCKED: Echo tag is 16 characters; Spitfire's Net ID field allows 15. The tag "
                                        "was not changed.\r\n"),
              std::string::npos);
    // Several rows selected: the first selected row's details.
    session.view().select(C::AreaList, {8, 1, 9});
    EXPECT_EQ(app().import.selected_area, 1);
    EXPECT_EQ(text(C::AreaName), "fsxNet: Advertisements for BBS systems");
}

TEST_F(ReviewTest, DetailsOfUnparsedCleanedAndUnknownExistingRecords) {
    session.view().choose(C::ProfileChoice, 14);  // zeronet
    EXPECT_EQ(text(C::NetworkName), "Zer0net");
    load(write_list("zero.na", "0N-GEN  Zer0net - General\r\nLONELY\r\n"));
    // Choosing a file starts again from automatic detection.
    EXPECT_EQ(app().preview.profile_key, "generic-whitespace");
    session.view().choose(C::ProfileChoice, 14);
    session.view().select(C::AreaList, {0});
    EXPECT_EQ(text(C::AreaDetails),
              "Source line 1  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: 0N-GEN  (length 6)\r\n"
              "Raw source: 0N-GEN  Zer0net - General\r\n"
              "Imported description: Zer0net - General\r\n"
              "Profile-cleaned description: General\r\n"
              "Proposed Spitfire value (max 40): Zer0net: General\r\n"
              "Status: READY\r\n"
              "Compatibility result:\r\n"
              "READY: This area is compatible with the current preview settings.\r\n");
    session.view().select(C::AreaList, {1});
    EXPECT_EQ(text(C::AreaDetails),
              "Source line 2  |  Parse: Whitespace/padded\r\n"
              "Full echo tag: LONELY  (length 6)\r\n"
              "Raw source: LONELY\r\n"
              "Imported description: \r\n"
              "Proposed Spitfire value (max 40): \r\n"
              "Status: ERROR: line does not match profile\r\n"
              "Compatibility result:\r\n"
              "BLOCKED: The source line does not match the selected network profile.\r\n");

    // An existing tag whose conference the detail pane can no longer find (the baseline changed
    // under a loaded preview) still reads as one line.
    app().preview.areas[0].tag_exists = app().preview.areas[0].blocked = true;
    app().baseline.conferences.resize(1);
    session.view().select(C::AreaList, {0});
    EXPECT_NE(text(C::AreaDetails).find("\r\nBLOCKED: Echo tag already exists in Spitfire.\r\n"), std::string::npos);
}

TEST_F(ReviewTest, ApplyNameStoresValidNamesAndRefusesOthers) {
    load_mixed();
    session.view().clear_boxes();
    session.view().select(C::AreaList, {3});  // FSX_LONG
    auto apply = [this](const std::string& name) {
        session.view().clear_boxes();
        pretend_plan_and_preflight();
        app().plan_report_offset = 99;
        session.view().type(C::AreaName, name);
        session.view().click(C::ApplyName);
        // The plan is stale whatever the outcome.
        EXPECT_FALSE(app().flags.plan_current);
        EXPECT_FALSE(app().flags.preflight_passed);
        EXPECT_EQ(app().plan_report_offset, 0u);
        EXPECT_EQ(writer_status(), "Area name changed. Generate a new dry-run plan.");
        return box_texts();
    };
    const std::string forty(40, 'F');
    EXPECT_EQ(apply(forty + "G"), std::vector<std::string>{"Spitfire conference descriptions are limited to 40 characters."});
    EXPECT_EQ(record(3).proposed_name, "fsxNet: A description that is far too lo");
    EXPECT_EQ(apply("   \t "), std::vector<std::string>{"The proposed conference name cannot be blank."});
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Error);

    const uint32_t report_before = app().report->length();
    EXPECT_TRUE(apply("  Long Name Fixed  ").empty());
    EXPECT_EQ(record(3).proposed_name, "Long Name Fixed");
    EXPECT_EQ(record(3).status_text, "EDITED - sysop approved");
    EXPECT_TRUE(record(3).sysop_edited);
    EXPECT_FALSE(record(3).needs_review);
    EXPECT_EQ(app().preview.ready_count, 5u);
    EXPECT_EQ(app().preview.review_count, 2u);
    EXPECT_EQ(rows()[3][3], "Long Name Fixed");
    EXPECT_EQ(rows()[3][5], "EDITED - sysop approved");
    EXPECT_EQ(app().import.selected_area, 3);
    EXPECT_EQ(app().report->str().substr(report_before),
              "\r\nSYSOP PREVIEW EDIT: Line 5 / FSX_LONG -> \"Long Name Fixed\"\r\n");
    EXPECT_EQ(text(C::ReportText), app().report->str());
    EXPECT_EQ(session.view().status(StatusLine::Main), "Selected proposed conference name updated in memory only.");
    EXPECT_NE(text(C::AreaDetails).find("Compatibility result:\r\n"
                                        "READY: The caller-facing name was edited and approved in this preview.\r\n"),
              std::string::npos);
    EXPECT_EQ(text(C::AreaDetails).find("REVIEW:"), std::string::npos);

    EXPECT_TRUE(apply(forty).empty());
    EXPECT_EQ(record(3).proposed_name, forty);
    // Only the first 62 characters are read: what lies beyond them is never seen.
    EXPECT_TRUE(apply(forty + std::string(22, ' ') + "beyond").empty());
    EXPECT_EQ(record(3).proposed_name, forty);
}

TEST_F(ReviewTest, ApplyNameWithoutSelectionAndOnBlockedRecords) {
    load_mixed();
    session.view().select(C::AreaList, {});
    session.view().clear_boxes();
    session.view().type(C::AreaName, "Some name");
    session.view().click(C::ApplyName);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Select an imported echo first."});

    session.view().select(C::AreaList, {2});  // ECHO3, blocked
    session.view().type(C::AreaName, "Renamed but still blocked");
    session.view().click(C::ApplyName);
    EXPECT_EQ(record(2).proposed_name, "Renamed but still blocked");
    EXPECT_TRUE(record(2).sysop_edited);
    EXPECT_TRUE(record(2).blocked);
    EXPECT_FALSE(record(2).needs_review);
    EXPECT_EQ(record(2).status_text, "ERROR: echo tag already exists");
    EXPECT_EQ(record(2).conference_number, 0u);
    EXPECT_EQ(app().preview.blocked_count, 3u);
    EXPECT_EQ(text(C::AreaDetails).find("READY:"), std::string::npos);
}

TEST_F(ReviewTest, ApproveAllDisplayedApprovesExactlyTheReviewRows) {
    load_mixed();
    session.view().choose(C::ShowFilter, 2);
    session.view().clear_boxes();
    pretend_plan_and_preflight();
    session.view().click(C::WizardApproveAll);
    EXPECT_TRUE(session.view().boxes().empty());
    EXPECT_EQ(session.view().status(StatusLine::Main), "Approved 3 proposed conference name(s) exactly as displayed.");
    EXPECT_EQ(writer_status(), "Area-name approvals changed. Generate a new dry-run plan.");
    EXPECT_FALSE(app().flags.plan_current);
    EXPECT_EQ(app().preview.review_count, 0u);
    EXPECT_EQ(app().preview.ready_count, 7u);
    EXPECT_EQ(app().preview.blocked_count, 3u);
    EXPECT_TRUE(rows().empty());  // nothing waits for review any more

    // The 40th character was a blank: the approved name is the displayed name, trimmed.
    EXPECT_EQ(record(6).proposed_name, "fsxNet: abcdefghijklmnopqrstuvwxyz01234");
    EXPECT_EQ(record(3).proposed_name, "fsxNet: A description that is far too lo");
    for (size_t i : {3u, 4u, 6u}) EXPECT_EQ(record(i).status_text, "EDITED - sysop approved") << i;

    session.view().choose(C::ShowFilter, 0);
    session.view().select(C::AreaList, {4});
    const std::string details = text(C::AreaDetails);
    EXPECT_NE(details.find("Compatibility result:\r\n"
                           "REVIEW: The source record has no description; review the proposed caller-facing name.\r\n"
                           "READY: The caller-facing name was edited and approved in this preview.\r\n"),
              std::string::npos);
}

TEST_F(ReviewTest, ApproveSelectedRowsOnly) {
    load_mixed();
    session.view().select(C::AreaList, {0, 4, 6});  // READY, REVIEW, REVIEW
    session.view().clear_boxes();
    session.view().click(C::WizardApproveSelected);
    EXPECT_TRUE(session.view().boxes().empty());
    EXPECT_EQ(session.view().status(StatusLine::Main), "Approved 2 proposed conference name(s) exactly as displayed.");
    EXPECT_TRUE(record(3).needs_review);
    EXPECT_FALSE(record(4).needs_review);
    EXPECT_FALSE(record(6).needs_review);
    EXPECT_FALSE(record(0).sysop_edited);
    EXPECT_EQ(app().import.selected_area, 0);  // the remembered area stays selected
}

TEST_F(ReviewTest, ProfileChangeWithoutFileOnlySetsTheName) {
    session.view().choose(C::ProfileChoice, 3);
    EXPECT_EQ(text(C::NetworkName), "AnotherNet");
    EXPECT_FALSE(app().flags.na_loaded);
    EXPECT_TRUE(session.view().boxes().empty());
    session.view().click(C::Reparse);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Load an .NA file first."});
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Warning);
}

TEST_F(ReviewTest, FingerprintFailureLeavesWriterBlocked) {
    const std::string path = write_list("fsxnet.na", kMixedList);
    faulty.reset_counts();
    faulty.fail_nth(test::Op::OpenRead, 2);  // the parse reads, the fingerprint read fails
    load(path);
    EXPECT_EQ(box_texts(), std::vector<std::string>{
                               "The .NA file parsed, but its source fingerprint could not be captured. Writer mode "
                               "remains blocked."});
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_FALSE(app().flags.na_loaded);
    EXPECT_EQ(app().preview.area_count(), 10);  // the preview stays in memory
    EXPECT_NE(session.view().status(StatusLine::Main), "Profile-driven .NA preview loaded; no Spitfire files changed.");
}

TEST_F(ReviewTest, ParseFailureEmptiesThePreviewButKeepsTheFingerprint) {
    load_mixed();
    const SourceFingerprint before = app().import.fingerprint;
    session.view().clear_boxes();
    test::FixtureBuilder(*native).write_text(lists / "huge.na", test::large_na_file(10, kMaxAreaListBytes + 1));
    load(lists / "huge.na");
    EXPECT_EQ(box_texts(), std::vector<std::string>{"File too large for safe in-memory inspection: " + (lists / "huge.na")});
    EXPECT_EQ(session.view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(app().preview.area_count(), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(app().import.selected_area, -1);
    EXPECT_EQ(text(C::NaPathLabel), lists / "huge.na");
    EXPECT_TRUE(app().flags.na_loaded);  // as it was: the failed load never reached the fingerprint
    EXPECT_EQ(app().import.fingerprint.digest, before.digest);

    session.view().clear_boxes();
    load(lists / "gone.na");
    EXPECT_EQ(box_texts(), std::vector<std::string>{"Cannot open: " + (lists / "gone.na")});
}

TEST_F(ReviewTest, WizardImportStep) {
    const std::string path = write_list("fsxnet.na", kMixedList);
    session.view().queue_pick(path);
    session.view().click(C::WizardChooseNaFile);
    EXPECT_EQ(text(C::WizardImportSummary),
              "Loaded: " + path + "\r\nNetwork: fsxNet\r\nEntries: 10    Ready: 4    Review: 3    Errors: 3\r\n"
              "Names and shared defaults will be reviewed before the dry run.\r\n");
    // A cancelled choice still refreshes the summary; an empty file shows the empty text.
    load(write_list("empty.na", "; nothing but a comment\r\n"));
    EXPECT_TRUE(app().flags.na_loaded);
    session.view().queue_pick_cancel();
    session.view().click(C::WizardChooseNaFile);
    EXPECT_EQ(text(C::WizardImportSummary), "No .NA file has been loaded.");
}

TEST_F(ReviewTest, SettingsPlanViewFollowsTheSelection) {
    app().baseline.template_candidates = {{0, "#1 - Echo Conference 1"}};
    app().baseline.preselected_candidate = 0;
    refresh_template_candidates(app());
    load_mixed();
    EXPECT_NE(text(C::PlanText).find("CURRENT .NA SELECTION\r\n---------------------\r\nEcho tag: ECHO3\r\n"
                                     "Caller-facing name: fsxNet: Existing\r\nStatus: ERROR: echo tag already exists\r\n"),
              std::string::npos);
    session.view().select(C::AreaList, {4});
    session.view().click(C::WizardApproveSelected);
    EXPECT_NE(text(C::PlanText).find("Echo tag: FSX_NODESC\r\nCaller-facing name: fsxNet: FSX_NODESC\r\n"
                                     "Status: EDITED - sysop approved\r\n"),
              std::string::npos);
    session.view().select(C::AreaList, {});
    EXPECT_NE(text(C::PlanText).find("Load an .NA file and select an area to see its proposed identity fields here."),
              std::string::npos);
}

TEST_F(ReviewTest, ResetProposalEmptiesTheImport) {
    load_mixed();
    reset_proposal(app());
    EXPECT_EQ(app().preview.area_count(), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(text(C::NaPathLabel), "No .NA file loaded.");
    session.view().click(C::Reparse);
    EXPECT_EQ(box_texts().back(), "Load an .NA file first.");
    // Operations on an empty preview refuse cleanly.
    session.view().click(C::ApplyName);
    EXPECT_EQ(box_texts().back(), "Select an imported echo first.");
    session.view().click(C::WizardApproveAll);
    EXPECT_EQ(box_texts().back(), "No displayed names require approval.");
}

}  // namespace
}  // namespace marlinth
