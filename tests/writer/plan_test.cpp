// The dry-run plan report and its signature: the signature changes when, and only when, one of
// the inputs that decide what the writer would write changes.
#include <gtest/gtest.h>

#include <functional>

#include "writer/plan.h"
#include "support/planned_session.h"

namespace marlinth {
namespace {

using test::AreaSpec;
using test::PlannedSession;

test::InstallationSpec three_conferences() {
    test::InstallationSpec wanted;
    wanted.nodes = 2;
    wanted.conferences = test::echo_conferences(3);
    return wanted;
}

TEST(Plan, ReportNumbersIncludedAreasAfterTheExistingConferences) {
    PlannedSession p(three_conferences(),
                     {{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true}, {"GAMMA", "Net: Gamma"},
                      {"DELTA", "Net: Delta", true}});
    p.view().click(ControlId::GeneratePlan);
    ASSERT_TRUE(p.view().boxes().empty()) << p.view().boxes()[0].text;
    EXPECT_TRUE(p.app().flags.plan_current);
    EXPECT_EQ(p.app().plan_text->str(),
              "Marlinth v0.4b DRY-RUN CONFERENCE PLAN\r\n"
              "=======================================\r\n"
              "MODE: DRY RUN - this plan does not modify Spitfire data.\r\n"
              "Source .NA: " + p.na_path + "\r\n"
              "Network: Net\r\n"
              "Template: Conference #1 - Echo Conference 1\r\n"
              "Template Net ID: ECHO1\r\n"
              "\r\n"
              "PROPOSED COMMON SETTINGS\r\n"
              "------------------------\r\n"
              "Conference Security: 10\r\n"
              "Message Entry Security: 10\r\n"
              "Conference Access: Equal or Greater\r\n"
              "Public Messages Only: Yes\r\n"
              "Net-Mail Conference: No\r\n"
              "Allow Message Routing: Yes\r\n"
              "Maximum Msg Length: 99\r\n"
              "Purge Msgs Older Than: 120 days\r\n"
              "Caller Message Deletion: No\r\n"
              "Purge Unreceived Msg: No\r\n"
              "Purge Old Thread Msg: No\r\n"
              "Privileged Securities: 0;0;0;0;0\r\n"
              "Preserve from template: ReadOnly, MarkAsSent, Extra[46], and all reserved bytes.\r\n"
              "\r\n"
              "AREAS INCLUDED IN APPEND PLAN\r\n"
              "-----------------------------\r\n"
              "Conference #4  Tag=ALPHA  Name=\"Net: Alpha\"\r\n"
              "Conference #5  Tag=GAMMA  Name=\"Net: Gamma\"\r\n"
              "\r\n"
              "EXCLUSIONS\r\n"
              "----------\r\n"
              "Included: 2\r\n"
              "Needs sysop name approval (excluded; numbering is provisional): 1\r\n"
              "Blocked compatibility errors: 1\r\n"
              "No files were changed. v0.4b requires a separate offline preflight, mandatory backups, staged "
              "verification, typed YES, and rollback before committing.\r\n");
    EXPECT_EQ(p.view().text(ControlId::PlanText), p.app().plan_text->str());
    EXPECT_EQ(p.view().status(StatusLine::Writer),
              "Dry run is current. Shut down all Spitfire nodes and every external mailer/tosser, then run Writer Preflight.");
    EXPECT_EQ(p.view().status(StatusLine::Plan), "Dry-run plan generated and copied to the Report tab.");
    EXPECT_EQ(p.view().status(StatusLine::Main),
              "Dry-run conference plan generated; writer still requires offline preflight and typed YES.");
    ASSERT_EQ(p.app().plan.planned_count, 2);
    EXPECT_EQ(p.app().plan.entries[1].tag, "GAMMA");

    update_plan_summary(p.app());
    EXPECT_EQ(p.view().text(ControlId::WizardPlanSummary),
              "READY TO REVIEW\r\n\r\nConferences to append: 2\r\nProposed conference range: #4 through #5\r\n"
              "Existing conferences changed: 0\r\nExisting message files overwritten: 0\r\n"
              "Node SFMCONF.DAT files to update: 2\r\n"
              "Mandatory SFMCONF.DAT backups: will be created automatically for all configured nodes at commit time.\r\n"
              "Transaction backup root: " + p.inst.backup_root + "\r\n"
              "Full MESSAGE backup: sysop confirmed a current backup already exists.\r\n\r\n"
              "The proven v0.3f append, staging, verification, and rollback engine is unchanged.\r\n");
}

TEST(Plan, RegeneratingReplacesTheCopyOnTheReportTab) {
    PlannedSession p;
    p.app().report->append("SYSOP PREVIEW EDIT: Line 1 / ALPHA -> \"Net: Alpha\"\r\n");
    const std::string before = p.app().report->str();
    p.view().click(ControlId::GeneratePlan);
    const std::string once = p.app().report->str();
    p.app().preview.areas[0].proposed_name = "Net: Alpha renamed";
    p.view().click(ControlId::GeneratePlan);
    const std::string twice = p.app().report->str();
    EXPECT_EQ(twice.find(before + "\r\nMarlinth v0.4b DRY-RUN CONFERENCE PLAN"), 0u);
    EXPECT_EQ(twice.find("DRY-RUN CONFERENCE PLAN", before.size() + 40), std::string::npos);  // exactly one copy
    EXPECT_NE(twice.find("Net: Alpha renamed"), std::string::npos);
    EXPECT_EQ(p.view().text(ControlId::ReportText), twice);
    EXPECT_NE(once, twice);
}

TEST(Plan, NothingToAppendIsRefusedAndChangesNothing) {
    PlannedSession p;
    p.view().click(ControlId::GeneratePlan);
    const Sha256Digest reviewed = p.app().plan.signature;
    const std::string report = p.app().report->str();
    const std::string plan = p.app().plan_text->str();
    p.set_areas({{"BETA", "Net: Beta", false, true}, {"ECHO1", "Net: Echo", true}});
    p.app().flags.plan_current = true;
    p.view().clear_boxes();
    p.view().click(ControlId::GeneratePlan);
    ASSERT_EQ(p.view().boxes().size(), 1u);
    EXPECT_EQ(p.view().boxes()[0].icon, BoxIcon::Error);
    EXPECT_EQ(p.view().boxes()[0].text, "There are no READY or sysop-approved areas to append.");
    EXPECT_TRUE(p.app().flags.plan_current);
    EXPECT_EQ(p.app().plan.signature, reviewed);
    EXPECT_EQ(p.app().report->str(), report);
    EXPECT_EQ(p.app().plan_text->str(), plan);
}

TEST(Plan, RefusalsBeforeThereIsAnythingToPlan) {
    PlannedSession p;
    p.app().preview.clear();
    p.view().click(ControlId::GeneratePlan);
    ASSERT_EQ(p.view().boxes().size(), 1u);
    EXPECT_EQ(p.view().boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(p.view().boxes()[0].text, "Load and review an .NA file before generating a dry-run plan.");

    PlannedSession q;
    q.app().flags.na_loaded = false;  // the fingerprint could not be taken
    q.view().click(ControlId::GeneratePlan);
    ASSERT_EQ(q.view().boxes().size(), 1u);
    EXPECT_EQ(q.view().boxes()[0].text, "Run inspection and load an .NA file before creating a writer plan.");
    EXPECT_FALSE(q.app().flags.plan_current);
}

TEST(Plan, SignatureTextIsCanonical) {
    PlannedSession p(three_conferences());
    Sha256Digest d{};
    ASSERT_TRUE(compute_plan_signature(p.app(), d, false));
    const std::string text = plan_signature_text(p.app());
    EXPECT_EQ(sha256(text), d);
    const std::string expected_tail = "NODES=2\r\nNODE1=" + p.inst.nodes[0] + "\r\nNODE2=" + p.inst.nodes[1] +
                                      "\r\nMSGDIR=" + p.inst.message_dir + "\r\nNAFILE=" + p.na_path +
                                      "\r\nTEMPLATE=0\r\nSET=10,10,0,1,0,1,99,120,0,0,0,0,0,0,0,0\r\n"
                                      "AREA=ALPHA|Net: Alpha\r\nAREA=GAMMA|Net: Gamma\r\n";
    ASSERT_GE(text.size(), expected_tail.size());
    EXPECT_EQ(text.substr(text.size() - expected_tail.size()), expected_tail);
    EXPECT_EQ(text.find("MCONF=" + sha256_hex(p.app().baseline.bytes.data(), p.app().baseline.size()) + "\r\nNAHASH="), 0u);
}

struct Change {
    const char* what;
    std::function<void(PlannedSession&)> apply;
    bool changes_signature;
};

TEST(Plan, SignatureChangesWhenAndOnlyWhenAnInputChanges) {
    const std::vector<Change> changes = {
        {"node path text", [](PlannedSession& p) { p.view().type(ControlId::NodeList, p.inst.nodes[0] + "\r\n" + p.inst.nodes[1] + "\\\r\n" + p.inst.nodes[2]); }, true},
        {"node path letter case", [](PlannedSession& p) { p.view().type(ControlId::NodeList, to_upper_ascii(p.inst.nodes[0]) + "\r\n" + p.inst.nodes[1] + "\r\n" + p.inst.nodes[2]); }, true},
        {"MESSAGE text", [](PlannedSession& p) { p.view().type(ControlId::MessageDir, p.inst.message_dir + "X"); }, true},
        {"conference security", [](PlannedSession& p) { p.view().type(ControlId::ConferenceSecurity, "11"); }, true},
        {"entry security", [](PlannedSession& p) { p.view().type(ControlId::MessageEntrySecurity, "12"); }, true},
        {"access", [](PlannedSession& p) { p.view().choose(ControlId::ConferenceAccess, 1); }, true},
        {"public only", [](PlannedSession& p) { p.view().choose(ControlId::PublicOnly, 0); }, true},
        {"netmail", [](PlannedSession& p) { p.view().choose(ControlId::NetMail, 1); }, true},
        {"routing", [](PlannedSession& p) { p.view().choose(ControlId::AllowRouting, 0); }, true},
        {"max length", [](PlannedSession& p) { p.view().type(ControlId::MaxMsgLength, "100"); }, true},
        {"purge days", [](PlannedSession& p) { p.view().type(ControlId::PurgeDays, "121"); }, true},
        {"caller delete", [](PlannedSession& p) { p.view().choose(ControlId::CallerDelete, 1); }, true},
        {"purge unreceived", [](PlannedSession& p) { p.view().choose(ControlId::PurgeUnreceived, 1); }, true},
        {"purge old thread", [](PlannedSession& p) { p.view().choose(ControlId::PurgeOldThread, 1); }, true},
        {"privileged", [](PlannedSession& p) { p.view().type(ControlId::PrivilegedSecurities, "0;0;0;0;1"); }, true},
        {"template", [](PlannedSession& p) { p.view().choose(ControlId::TemplateChoice, 1); }, true},
        {"a proposed name", [](PlannedSession& p) { p.app().preview.areas[0].proposed_name = "Net: Alpha!"; }, true},
        {"an approval", [](PlannedSession& p) { p.app().preview.areas[1].needs_review = false; }, true},
        {".NA bytes", [](PlannedSession& p) { p.app().import.fingerprint.digest[0] ^= 1; }, true},
        {".NA size", [](PlannedSession& p) { p.app().import.fingerprint.size += 1; }, true},
        {"backup root", [](PlannedSession& p) { p.view().type(ControlId::BackupRoot, "/elsewhere"); }, false},
        {"network name", [](PlannedSession& p) { p.view().type(ControlId::NetworkName, "Another Net"); p.app().preview.network_name = "Another Net"; }, false},
    };
    for (const Change& c : changes) {
        PlannedSession p;
        Sha256Digest before{}, after{};
        ASSERT_TRUE(compute_plan_signature(p.app(), before, false)) << c.what;
        c.apply(p);
        ASSERT_TRUE(compute_plan_signature(p.app(), after, false)) << c.what;
        EXPECT_EQ(before != after, c.changes_signature) << c.what;
    }
}

TEST(Plan, WizardStepTakesTheBackupRootFromItsPage) {
    PlannedSession p;
    p.view().type(ControlId::WizardBackupRoot, "  " + p.inst.backup_root + "2  ");
    p.view().click(ControlId::WizardGeneratePlan);
    EXPECT_EQ(p.view().text(ControlId::BackupRoot), p.inst.backup_root + "2");
    EXPECT_EQ(p.app().setup.backup_root, p.inst.backup_root + "2");
    EXPECT_TRUE(p.app().flags.plan_current);
    EXPECT_EQ(p.view().text(ControlId::WizardPlanSummary).find("READY TO REVIEW"), 0u);
}

}  // namespace
}  // namespace marlinth
