// Template and proposed settings: what a template load takes and forces, how the form is read
// and refused, the recommended defaults, and the Settings Plan view. The texts of a plain echo
// template's settings are pinned by the wizard and writer transcripts.
#include <gtest/gtest.h>

#include "app/settings_commands.h"
#include "support/golden_diff.h"
#include "support/planned_session.h"
#include "support/script_harness.h"

namespace marlinth {
namespace {


// A template conference whose every setting differs from a safe echo conference's.
test::InstallationSpec odd_template() {
    // No conference routes, so every conference is offered as template and the first is taken.
    test::InstallationSpec wanted{1, test::echo_conferences(2)};
    wanted.conferences[1].allow_routing = 0, wanted.conferences[1].net_id = "";
    test::ConferenceSpec& t = wanted.conferences[0];
    t.conference_security = 25, t.message_entry_security = 30, t.max_msg_length = 500, t.purge_days = 0;
    t.public_only = 0, t.allow_routing = 0, t.purge_old_thread = 1, t.access_exact = 1, t.caller_delete = 7;
    t.netmail = 1;  // still echo-like through the Net-Mail byte
    t.privileged = {5, 0, -1, 0, 10};
    return wanted;
}

TEST(Settings, PrivilegedSecuritiesNeedExactlyFiveValues) {
    std::array<int16_t, 5> out{};
    EXPECT_TRUE(parse_privileged("1, 2;3 ; 4;5", out));
    EXPECT_EQ(out, (std::array<int16_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(parse_privileged("0;0;0;0;32767 \t", out));
    for (const char* bad : {"1;2;3;4", "1;2;3;4;5;6", "1;2;3;4;x", "1;2;3;4;32768", "", "1;;2;3;4", "-1;0;0;0;0", "1 2;3;4;5;6"})
        EXPECT_FALSE(parse_privileged(bad, out)) << bad;
    EXPECT_EQ(out[4], 32767);  // a refused text leaves the last good values
}

// Every field of the form reaches the proposal: each is changed from what the template put there
// (the transcripts change only a few), and the proposal must hold every change.
TEST(Settings, EveryFormFieldReachesTheProposal) {
    using C = ControlId;
    test::PlannedSession p;
    HeadlessView& v = p.view();
    std::vector<int> chosen;
    for (C c : {C::ConferenceAccess, C::PublicOnly, C::NetMail, C::AllowRouting, C::CallerDelete, C::PurgeUnreceived,
                C::PurgeOldThread}) {
        v.choose(c, 1 - v.selection(c));
        chosen.push_back(v.selection(c));
    }
    const std::pair<C, const char*> typed[] = {{C::ConferenceSecurity, "11"}, {C::MessageEntrySecurity, "12"},
                                               {C::MaxMsgLength, "1300"},     {C::PurgeDays, "14"},
                                               {C::PrivilegedSecurities, "1;2;3;4;5"}};
    for (const auto& [field, text] : typed) v.type(field, text);
    apply_proposed_settings(p.app());
    const ProposedSettings& s = p.app().settings;
    EXPECT_EQ((std::vector<int>{s.access_exact, s.public_only, s.netmail, s.routing, s.caller_delete, s.purge_unreceived,
                                s.purge_old_thread}),
              chosen);
    EXPECT_EQ((std::vector<int>{s.conference_security, s.message_entry_security, s.max_msg_length, s.purge_days}),
              (std::vector<int>{11, 12, 1300, 14}));
    EXPECT_EQ(s.privileged, (std::array<int16_t, 5>{1, 2, 3, 4, 5}));
}

// The form is applied field by field; the first bad one stops it with its box. The Settings Plan
// then compares every template value with the proposal and shows the selected area (compared
// whole, CR LF kept as LF in its golden file). The recommended defaults replace it all, and
// without a template neither the form nor the defaults can be applied.
TEST(Settings, ApplyDefaultsAndThePlanViewThatComparesTemplateAndProposal) {
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    const test::Installation inst = test::build_installation(*native, dir / "BBS", odd_template());
    fp.set_time({2026, 12, 5, 10, 30, 0});
    fp.set_processes({});
    fb.make_dir(dir / "app");
    fb.write_text(dir / "NA/NET.NA", "ALPHA Alpha\r\nBETA Beta\r\n");
    const auto between = [&](App& app, int part) {
        if (part == 1) {
            const std::string plan = test::plain_lines(app.view.text(ControlId::PlanText));
            EXPECT_EQ(plan, test::golden("settings_plan.expected", plan, {}));
        } else if (part == 2) {
            load_recommended_defaults(app);
        } else if (part == 3) {
            EXPECT_TRUE(app.flags.wizard_defaults_loaded);  // the wizard's settings page then keeps the sysop's edits
            app.view.set_items(ControlId::TemplateChoice, {});
        } else {
            load_recommended_defaults(app);
            app.settings = ProposedSettings();
            build_settings_plan_view(app);
        }
    };
    const test::ScriptVars vars = {{"NODE1", inst.nodes[0]}, {"MESSAGE", inst.message_dir}, {"NA", dir / "NA/NET.NA"}};
    const test::ScriptResult r =
        test::run_script_parts(fp, dir / "app", test::load_script("settings_form.script"), vars, {}, between);
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output, test::golden("settings_form.expected", r.output, vars));
}

}  // namespace
}  // namespace marlinth
