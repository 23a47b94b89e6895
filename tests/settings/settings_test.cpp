// Template and proposed settings: what a template load takes and forces, how the form is read
// and refused, the recommended defaults, and the Settings Plan view. The texts of a plain echo
// template's settings are pinned by the wizard and writer transcripts.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/settings_commands.h"
#include "support/planned_session.h"
#include "support/script_harness.h"

namespace marlinth {
namespace {

using test::PlannedSession;

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

// Numbers, then the yes/no settings as digits: exact access, public only, net-mail, routing,
// caller delete, purge unreceived, purge old thread.
std::string summary(const ProposedSettings& s) {
    std::string flags;
    for (int f : {s.access_exact, s.public_only, s.netmail, s.routing, s.caller_delete, s.purge_unreceived, s.purge_old_thread})
        flags += std::to_string(f);
    return std::to_string(s.conference_security) + "/" + std::to_string(s.message_entry_security) + " len " +
           std::to_string(s.max_msg_length) + " days " + std::to_string(s.purge_days) + " priv " +
           format_privileged(s.privileged) + " flags " + flags;
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

// The form is applied field by field; the first bad one stops it with its box, the template's
// negative privileged value among them. The Settings Plan then compares every template value
// with the proposal and shows the selected area. The recommended defaults replace it all, and
// without a template neither the form nor the defaults can be applied.
TEST(Settings, ApplyDefaultsAndThePlanViewThatComparesTemplateAndProposal) {
    PlannedSession p(odd_template());
    HeadlessView& v = p.view();
    p.app().import.selected_area = 0;
    const std::string range = "Conference Security must be from 0 through 32767.", privileged =
        "Privileged Securities must contain five values separated by semicolons, for example 0;0;0;0;0.";
    const struct { ControlId field; const char* text; std::string box; } steps[] = {
        {ControlId::PurgeDays, "70000", "Purge age must be from 0 through 65535."},
        {ControlId::PurgeDays, "0", privileged},  // the template's -1
        {ControlId::PrivilegedSecurities, "1;2;3;4", privileged}, {ControlId::PrivilegedSecurities, "1;2;3;4;5", ""},
        {ControlId::ConferenceSecurity, "32768", range}, {ControlId::ConferenceSecurity, "99999999999", range},
        {ControlId::ConferenceSecurity, "   ", "Conference Security is required."}, {ControlId::ConferenceSecurity, "40", ""},
    };
    for (const auto& s : steps) {
        v.clear_boxes();
        v.type(s.field, s.text);
        v.click(ControlId::ApplySettings);
        EXPECT_EQ(v.boxes().empty() ? "" : v.boxes()[0].text, s.box) << s.text;
    }
    // Compared whole, with its CR LF line ends kept as LF in the golden file. It shows what a
    // template load copies and what it forces to safe echo values.
    const std::string plan = v.text(ControlId::PlanText);
    std::string lf = plan, crlf;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    for (char c : test::golden("settings_plan.expected", lf, {})) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(plan, crlf);

    p.app().flags.plan_current = true;
    load_recommended_defaults(p.app());
    EXPECT_EQ(summary(p.app().settings), "10/10 len 99 days 120 priv 0;0;0;0;0 flags 0101000");
    EXPECT_TRUE(p.app().flags.wizard_defaults_loaded && !p.app().flags.plan_current);
    EXPECT_EQ(v.status(StatusLine::Writer), "Recommended Wizard defaults loaded. Generate a new dry-run plan after review.");

    v.set_items(ControlId::TemplateChoice, {});
    v.click(ControlId::ApplySettings);
    EXPECT_EQ(v.boxes().back().text, "Select a template conference first.");
    load_recommended_defaults(p.app());
    EXPECT_EQ(v.boxes().back().icon, BoxIcon::Warning);
    EXPECT_EQ(v.boxes().back().text, "Run a clean inspection before choosing conference defaults.");
    p.app().settings = ProposedSettings();
    build_settings_plan_view(p.app());
    EXPECT_EQ(v.text(ControlId::PlanText), "Run an inspection to load a template conference.");
}

}  // namespace
}  // namespace marlinth
