// Taking the tosser's paths into setup through the whole program (headless): the Setup tab's
// switch, its question, Browse and Read CFG, the filled fields, the messages and the stale rule.
#include <gtest/gtest.h>

#include "support/fault_platform.h"
#include "tosser/tosser_import.h"
#include "tosser_support.h"
#include "ui/headless/headless_session.h"

namespace marlinth::test {
namespace {

const char* const kStatusLegacy =
    "QUARRO32.CFG parsed as Legacy single-link with 1 link(s). Passwords are shown only as set/none. Full read-only "
    "summary is in Advanced Tools > Report.";
const char* const kFatalStatus = "QUARRO32.CFG parser found fatal errors. Review Advanced Tools > Report.";
const char* const kFatalBox =
    "The QUARRO32.CFG parser found one or more fatal errors. The file was not changed and no paths were imported. "
    "Review the Report tab for line-numbered details.";
const char* const kSetupStale = "Spitfire setup changed. Run Read-Only Inspection again.";
const char* const kQuarroStale = "QUARRO32 setup changed. Run Read-Only Inspection again.";

const char* const kLegacyCfg =
    "CONFDIR /bbs/sf\r\nMSGDIR /bbs/msg\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /bbs/out\r\n";
const char* const kBrokenCfg = "CONFDIR /bbs/sf\r\nMSGDIR /bbs/msg\r\nADDRESS 2:250\r\nHUB 2:250/0\r\nOUTDIR /o\r\n";

class TosserImport : public ::testing::Test {
protected:
    TosserImport() : native_(make_native_platform()), platform_(*native_) {
        platform_.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
        session_ = std::make_unique<HeadlessSession>(platform_, home_.path());
        good_ = home_ / "QUARRO32.CFG";
        broken_ = home_ / "BROKEN.CFG";
        write_bytes(good_, kLegacyCfg);
        write_bytes(broken_, kBrokenCfg);
    }

    App& app() { return session_->app(); }
    HeadlessView& view() { return session_->view(); }
    bool import_file(const std::string& path) { return import_tosser_config(app(), path); }
    // Marks the later stages as reached, so a test can see the stale rule clear them.
    void pretend_inspected() {
        app().flags.inspection_passed = true;
        app().flags.plan_current = true;
        app().flags.preflight_passed = true;
    }
    void expect_stale(const char* message) {
        EXPECT_FALSE(app().flags.inspection_passed);
        EXPECT_FALSE(app().flags.plan_current);
        EXPECT_FALSE(app().flags.preflight_passed);
        EXPECT_EQ(view().status(StatusLine::Writer), message);
    }
    std::string expected_report(const std::string& path) {
        CfgParse p;
        p.run_file(path);
        return p.report();
    }

    std::unique_ptr<Platform> native_;
    FaultPlatform platform_;
    TempDir home_;
    std::unique_ptr<HeadlessSession> session_;
    std::string good_, broken_;
};

TEST_F(TosserImport, SuccessReplacesNode1KeepsTheOtherNodesAndFillsMessage) {
    ASSERT_TRUE(session_->started());
    view().type(ControlId::NodeCount, "3");
    view().type(ControlId::NodeList, "/old/sf\r\n /old/sf2 \r\n\r\n/old/sf3");
    view().type(ControlId::MessageDir, "/old/msg");
    ASSERT_TRUE(view().click(ControlId::UseQuarro));  // the question gets its default, No
    ASSERT_TRUE(view().type(ControlId::QuarroCfgPath, good_));
    pretend_inspected();
    view().clear_boxes();

    ASSERT_TRUE(view().click(ControlId::ReadCfg));

    EXPECT_EQ(view().text(ControlId::NodeList), "/bbs/sf\r\n/old/sf2\r\n/old/sf3");
    EXPECT_EQ(view().text(ControlId::NodeCount), "3");
    EXPECT_EQ(view().text(ControlId::MessageDir), "/bbs/msg");
    EXPECT_EQ(view().text(ControlId::QuarroCfgPath), good_);
    EXPECT_TRUE(view().checked(ControlId::UseQuarro));
    EXPECT_TRUE(view().enabled(ControlId::QuarroCfgPath));
    EXPECT_EQ(view().status(StatusLine::Main), kStatusLegacy);
    expect_stale(kSetupStale);
    ASSERT_EQ(view().boxes().size(), 1u);
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Information);
    EXPECT_EQ(view().boxes()[0].text, kStatusLegacy);
    EXPECT_NE(app().log->str().find(std::string("[09:26:53] ") + kStatusLegacy + "\r\n"), std::string::npos);
    EXPECT_NE(read_bytes(app().files.log_path).find(kStatusLegacy), std::string::npos);

    const std::string report = expected_report(good_);
    EXPECT_EQ(app().report->str(), report);
    EXPECT_EQ(view().text(ControlId::ReportText), report);
    EXPECT_EQ(app().tosser.mode, 1u);
    EXPECT_EQ(app().tosser.confdir, "/bbs/sf");
}

TEST_F(TosserImport, EmptyNodeListBecomesConfdirAlone) {
    view().type(ControlId::NodeList, "  \r\n\r\n");
    ASSERT_TRUE(import_file(good_));
    EXPECT_EQ(view().text(ControlId::NodeList), "/bbs/sf");
    EXPECT_EQ(view().text(ControlId::NodeCount), "1");
}

TEST_F(TosserImport, FailureTakesOnlyThePathAndShowsTheErrors) {
    view().type(ControlId::NodeCount, "2");
    view().type(ControlId::NodeList, "/old/sf\r\n/old/sf2");
    view().type(ControlId::MessageDir, "/old/msg");
    pretend_inspected();
    view().queue_pick(broken_);
    ASSERT_TRUE(view().click(ControlId::BrowseQuarroCfg));

    EXPECT_EQ(view().text(ControlId::NodeList), "/old/sf\r\n/old/sf2");
    EXPECT_EQ(view().text(ControlId::MessageDir), "/old/msg");
    EXPECT_EQ(view().text(ControlId::QuarroCfgPath), broken_);
    EXPECT_TRUE(view().checked(ControlId::UseQuarro));
    EXPECT_TRUE(view().enabled(ControlId::QuarroCfgPath));
    EXPECT_EQ(view().status(StatusLine::Main), kFatalStatus);
    expect_stale(kSetupStale);  // the path field changed
    ASSERT_EQ(view().boxes().size(), 1u);
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(view().boxes()[0].text, kFatalBox);
    EXPECT_NE(app().log->str().find(kFatalStatus), std::string::npos);

    // The full report, summary included, is on the Report tab.
    const std::string report = view().text(ControlId::ReportText);
    EXPECT_EQ(report, expected_report(broken_));
    EXPECT_NE(report.find("ERROR line 3: Invalid ADDRESS."), std::string::npos);
    EXPECT_NE(report.find("QUARRO32.CFG SUMMARY"), std::string::npos);
}

TEST_F(TosserImport, UnreadableFileShowsTheReadFailureUnderTheHeader) {
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    const std::string missing = home_ / "MISSING.CFG";
    view().type(ControlId::QuarroCfgPath, "  " + missing + " ");
    view().clear_boxes();
    ASSERT_TRUE(view().click(ControlId::ReadCfg));
    EXPECT_EQ(app().report->str(),
              "QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY\r\n================================================\r\n"
              "File: " + missing + "\r\nNo production configuration file is modified by this operation.\r\n\r\n"
              "Cannot open: " + missing + "\r\n");
    EXPECT_EQ(view().text(ControlId::QuarroCfgPath), missing);
    EXPECT_EQ(view().boxes().back().text, kFatalBox);
}

TEST_F(TosserImport, TickingTheSwitchAsksForTheFileOnlyWhenThePathIsEmpty) {
    pretend_inspected();
    EXPECT_FALSE(view().enabled(ControlId::QuarroCfgPath));
    ASSERT_TRUE(view().click(ControlId::UseQuarro));  // unanswered: No
    expect_stale(kQuarroStale);
    EXPECT_TRUE(view().enabled(ControlId::QuarroCfgPath));
    ASSERT_EQ(view().boxes().size(), 1u);
    EXPECT_EQ(view().boxes()[0].icon, BoxIcon::Question);
    EXPECT_EQ(view().boxes()[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(view().boxes()[0].text, "Select QUARRO32.CFG now?");
    EXPECT_TRUE(view().file_dialogs().empty());

    pretend_inspected();
    ASSERT_TRUE(view().click(ControlId::UseQuarro));  // unticked: no question, field disabled
    expect_stale(kQuarroStale);
    EXPECT_FALSE(view().enabled(ControlId::QuarroCfgPath));
    EXPECT_EQ(view().boxes().size(), 1u);

    // Yes opens the dialog; cancelling it imports nothing.
    view().queue_answer(BoxAnswer::Yes);
    view().queue_pick_cancel();
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    ASSERT_EQ(view().file_dialogs().size(), 1u);
    const FileDialogSpec& dialog = view().file_dialogs()[0];
    EXPECT_EQ(dialog.title, "Select QUARRO32.CFG");
    ASSERT_EQ(dialog.filters.size(), 2u);
    EXPECT_EQ(dialog.filters[0].description, "QUARRO32 configuration (*.CFG)");
    EXPECT_EQ(dialog.filters[0].pattern, "*.CFG");
    EXPECT_EQ(dialog.filters[1].description, "All files (*.*)");
    EXPECT_EQ(dialog.filters[1].pattern, "*.*");
    EXPECT_TRUE(app().report->empty());
    EXPECT_TRUE(view().text(ControlId::QuarroCfgPath).empty());

    // Off, then on again with Yes and a file: the file is imported.
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    view().queue_answer(BoxAnswer::Yes);
    view().queue_pick(good_);
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    EXPECT_EQ(view().text(ControlId::MessageDir), "/bbs/msg");
    EXPECT_EQ(view().status(StatusLine::Main), kStatusLegacy);

    // With a path present the box asks nothing.
    const size_t boxes = view().boxes().size();
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    EXPECT_EQ(view().boxes().size(), boxes);
    EXPECT_TRUE(view().enabled(ControlId::QuarroCfgPath));
}

// The import replaces the Report buffer; a plan copy recorded in it is gone too.
TEST_F(TosserImport, ReportBufferHoldsOnlyTheNewReport) {
    app().report->append("INSPECTION REPORT\r\n");
    app().plan_report_offset = 19;
    ASSERT_TRUE(import_file(good_));
    EXPECT_EQ(app().report->str().rfind("QUARRO32 v1.07", 0), 0u);
    EXPECT_EQ(app().plan_report_offset, 0u);
}

}  // namespace
}  // namespace marlinth::test
