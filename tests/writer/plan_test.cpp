// The dry-run plan report and its signature: the signature changes when, and only when, one of
// the inputs that decide what the writer would write changes. The report's full text is pinned
// by tests/scripts/writer_road.expected.
#include <gtest/gtest.h>

#include <functional>

#include "app/plan_commands.h"
#include "support/planned_session.h"
#include "ui/headless/script_runner.h"

namespace marlinth {
namespace {

using test::PlannedSession;

// Included areas are numbered after the existing conferences, skipping one awaiting review; the
// rest are counted out. The wizard's backup root comes trimmed into the plan and the Writer tab.
TEST(Plan, TheWizardStepNumbersIncludedAreasAfterTheExistingConferences) {
    test::InstallationSpec wanted;
    wanted.conferences = test::echo_conferences(3);
    PlannedSession p(wanted, {{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true}, {"GAMMA", "Net: Gamma"},
                              {"DELTA", "Net: Delta", true}});
    const std::string root = p.inst.backup_root + "2";
    p.view().type(ControlId::WizardBackupRoot, "  " + root + "  ");
    p.view().click(ControlId::WizardGeneratePlan);
    EXPECT_NE(p.app().plan_text->str().find("Conference #4  Tag=ALPHA  Name=\"Net: Alpha\"\r\nConference #5  Tag=GAMMA  "
                                            "Name=\"Net: Gamma\"\r\n\r\nEXCLUSIONS\r\n----------\r\nIncluded: 2\r\nNeeds sysop "
                                            "name approval (excluded; numbering is provisional): 1\r\nBlocked compatibility errors: 1\r\n"),
              std::string::npos) << p.app().plan_text->str();
    EXPECT_EQ(p.view().text(ControlId::BackupRoot), root);
    EXPECT_NE(p.view().text(ControlId::WizardPlanSummary).find("Transaction backup root: " + root + "\r\nFull MESSAGE backup: "
                                                               "sysop confirmed a current backup already exists.\r\n"), std::string::npos);
}

// A refused plan leaves the reviewed one, its signature and both reports as they were.
TEST(Plan, WithNothingToPlanItIsRefusedAndChangesNothing) {
    const std::vector<std::tuple<const char*, std::function<void(PlannedSession&)>, const char*>> cases = {
        {"no preview", [](PlannedSession& p) { p.app().preview.clear(); },
         "BOX warning: Load and review an .NA file before generating a dry-run plan."},
        {"no fingerprint", [](PlannedSession& p) { p.app().flags.na_loaded = false; },
         "BOX error: Run inspection and load an .NA file before creating a writer plan."},
        {"nothing ready", [](PlannedSession& p) { p.set_areas({{"BETA", "Net: Beta", false, true}, {"ECHO1", "Net: Echo", true}}); },
         "BOX error: There are no READY or sysop-approved areas to append."},
    };
    for (const auto& [what, arrange, box] : cases) {
        SCOPED_TRACE(what);
        PlannedSession p;
        p.view().click(ControlId::GeneratePlan);
        const Sha256Digest reviewed = p.app().plan.signature;
        const std::string report = p.app().report->str(), plan = p.app().plan_text->str();
        arrange(p);
        p.view().clear_boxes();
        p.view().click(ControlId::GeneratePlan);
        ASSERT_EQ(p.view().boxes().size(), 1u);
        EXPECT_EQ(box_line(p.view().boxes()[0].icon, p.view().boxes()[0].text), box);
        EXPECT_EQ(p.app().plan.signature, reviewed);
        EXPECT_EQ(p.app().report->str(), report);
        EXPECT_EQ(p.app().plan_text->str(), plan);
    }
}

TEST(Plan, SignatureChangesWhenAndOnlyWhenAnInputChanges) {
    using S = PlannedSession;
    const auto type = [](ControlId id, std::string text) { return [=](S& p) { p.view().type(id, text); }; };
    const auto choose = [](ControlId id, int i) { return [=](S& p) { p.view().choose(id, i); }; };
    const std::vector<std::tuple<const char*, std::function<void(S&)>, bool>> changes = {
        // A trailing separator names the same folder: it is dropped when the list is read.
        {"node path trailing separator", [](S& p) { p.view().type(ControlId::NodeList, p.inst.nodes[0] + "\r\n" + p.inst.nodes[1] + "\\\r\n" + p.inst.nodes[2]); }, false},
        {"node path letter case", [](S& p) { p.view().type(ControlId::NodeList, to_upper_ascii(p.inst.nodes[0]) + "\r\n" + p.inst.nodes[1] + "\r\n" + p.inst.nodes[2]); }, true},
        {"MESSAGE text", [](S& p) { p.view().type(ControlId::MessageDir, p.inst.message_dir + "X"); }, true},
        {"conference security", type(ControlId::ConferenceSecurity, "11"), true},
        {"entry security", type(ControlId::MessageEntrySecurity, "12"), true},
        {"access", choose(ControlId::ConferenceAccess, 1), true},
        {"public only", choose(ControlId::PublicOnly, 0), true},
        {"netmail", choose(ControlId::NetMail, 1), true},
        {"routing", choose(ControlId::AllowRouting, 0), true},
        {"max length", type(ControlId::MaxMsgLength, "100"), true},
        {"purge days", type(ControlId::PurgeDays, "121"), true},
        {"caller delete", choose(ControlId::CallerDelete, 1), true},
        {"purge unreceived", choose(ControlId::PurgeUnreceived, 1), true},
        {"purge old thread", choose(ControlId::PurgeOldThread, 1), true},
        {"privileged", type(ControlId::PrivilegedSecurities, "0;0;0;0;1"), true},
        {"template", choose(ControlId::TemplateChoice, 1), true},
        {"a proposed name", [](S& p) { p.app().preview.areas[0].proposed_name = "Net: Alpha!"; }, true},
        {"an approval", [](S& p) { p.app().preview.areas[1].needs_review = false; }, true},
        {".NA bytes", [](S& p) { p.app().import.fingerprint.digest[0] ^= 1; }, true},
        {".NA size", [](S& p) { p.app().import.fingerprint.size += 1; }, true},
        {".NA path", [](S& p) { p.app().import.na_path += "X"; }, true},
        {"inspected conference bytes", [](S& p) { p.app().baseline.bytes.data()[5] ^= 1; }, true},
        {"backup root", type(ControlId::BackupRoot, "/elsewhere"), false},
        {"network name", [](S& p) { p.view().type(ControlId::NetworkName, "Another Net"); p.app().preview.network_name = "Another Net"; }, false},
    };
    for (const auto& [what, apply, changes_signature] : changes) {
        PlannedSession p;
        Sha256Digest before{}, after{};
        ASSERT_TRUE(compute_plan_signature(p.app(), before, false)) << what;
        apply(p);
        ASSERT_TRUE(compute_plan_signature(p.app(), after, false)) << what;
        EXPECT_EQ(before != after, changes_signature) << what;
    }
}

}  // namespace
}  // namespace marlinth
