// The dry-run plan report and its signature: the signature changes when, and only when, one of
// the inputs that decide what the writer would write changes. The report's full text is pinned
// by tests/scripts/writer_road.expected, its refusals by tests/scripts/plan_generation.expected.
#include <gtest/gtest.h>

#include <functional>

#include "app/plan_commands.h"
#include "golden_text.h"
#include "support/planned_session.h"

namespace marlinth {
namespace {

using test::PlannedSession;

// The wizard's plan step and each refusal of Generate Dry Run, walked by
// tests/scripts/plan_generation.script, one part a row, each after a reviewed plan.
TEST(Plan, TheWizardNumbersIncludedAreasAndARefusedPlanChangesNothing) {
    test::InstallationSpec three;
    three.conferences = test::echo_conferences(3);
    const std::vector<std::function<void(PlannedSession&)>> rows = {
        [](PlannedSession& p) {
            p.set_areas({{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true}, {"GAMMA", "Net: Gamma"}, {"DELTA", "Net: Delta", true}});
            p.view().type(ControlId::WizardBackupRoot, "  " + p.inst.backup_root + "2  ");
            p.view().click(ControlId::WizardGeneratePlan);
        },
        [](PlannedSession& p) { p.app().preview.clear(); },
        [](PlannedSession& p) { p.app().flags.na_loaded = false; },
        [](PlannedSession& p) { p.set_areas({{"BETA", "Net: Beta", false, true}, {"ECHO1", "Net: Echo", true}}); },
    };
    const std::vector<std::string> parts = test::script_parts(test::load_script("plan_generation.script"));
    test::ChangedCases all;
    for (size_t i = 0; i < rows.size(); ++i) {
        PlannedSession p(three);
        p.view().click(ControlId::GeneratePlan);
        const Sha256Digest reviewed = p.app().plan.signature;
        const std::string report = p.app().report->str();
        test::Screen screen(p.app(), p.view());
        rows[i](p);
        all.add("part " + std::to_string(i + 1), screen.play(parts[i]).shown(p.dir.path()));
        EXPECT_TRUE(p.app().plan.signature == reviewed && (p.app().report->str() == report) == (i > 0)) << i;
    }
    EXPECT_EQ(all.all, test::golden("plan_generation.expected", all.all, {}));
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
