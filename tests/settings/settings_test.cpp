// Template and proposed settings: what a template load takes and forces, how the form is read
// and refused, the recommended defaults, and the Settings Plan view.
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/planned_session.h"

namespace marlinth {
namespace {

using test::PlannedSession;

test::InstallationSpec odd_template() {
    test::InstallationSpec wanted;
    wanted.nodes = 1;
    // No conference routes, so every conference is offered as template and the first is taken.
    wanted.conferences = test::echo_conferences(2);
    wanted.conferences[1].allow_routing = 0;
    wanted.conferences[1].net_id = "";
    test::ConferenceSpec& t = wanted.conferences[0];
    t.conference_security = 25;
    t.message_entry_security = 30;
    t.public_only = 0;
    t.allow_routing = 0;
    t.netmail = 1;  // still echo-like through the Net-Mail byte
    t.purge_old_thread = 1;
    t.access_exact = 1;
    t.caller_delete = 7;
    t.max_msg_length = 500;
    t.purge_days = 0;
    t.privileged = {5, 0, -1, 0, 10};
    return wanted;
}

TEST(Settings, TemplateLoadCopiesSomeValuesAndForcesSafeEchoValues) {
    PlannedSession p(odd_template());
    const ProposedSettings& s = p.app().settings;
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.template_index, 0);
    EXPECT_EQ(s.conference_security, 25);
    EXPECT_EQ(s.message_entry_security, 30);
    EXPECT_EQ(s.max_msg_length, 500);
    EXPECT_EQ(s.purge_days, 0);
    EXPECT_EQ(s.caller_delete, 1);
    EXPECT_EQ(s.access_exact, 0);
    EXPECT_EQ(s.public_only, 1);
    EXPECT_EQ(s.netmail, 0);
    EXPECT_EQ(s.routing, 1);
    EXPECT_EQ(s.purge_old_thread, 0);
    HeadlessView& v = p.view();
    EXPECT_EQ(v.text(ControlId::ConferenceSecurity), "25");
    EXPECT_EQ(v.text(ControlId::PrivilegedSecurities), "5;0;-1;0;10");
    EXPECT_EQ(v.selection(ControlId::PublicOnly), 1);
    EXPECT_EQ(v.selection(ControlId::ConferenceAccess), 0);
    EXPECT_EQ(v.status(StatusLine::Writer), "Template or proposed settings changed. Generate a new dry-run plan.");
}

TEST(Settings, NumberFieldsAreReadAsDesigned) {
    PlannedSession p;
    App& app = p.app();
    HeadlessView& v = p.view();
    uint32_t value = 99;
    auto read = [&](const std::string& text, uint32_t max) {
        v.type(ControlId::ConferenceSecurity, text);
        v.clear_boxes();
        return read_number_field(app, ControlId::ConferenceSecurity, max, value, "Conference Security", true);
    };
    EXPECT_TRUE(read("32767", 32767));
    EXPECT_EQ(value, 32767u);
    EXPECT_FALSE(read("32768", 32767));
    EXPECT_EQ(v.boxes().at(0).text, "Conference Security must be from 0 through 32767.");
    EXPECT_FALSE(read("99999999999", 32767));
    EXPECT_FALSE(read("   ", 32767));
    EXPECT_EQ(v.boxes().at(0).text, "Conference Security is required.");
    EXPECT_TRUE(read("12abc", 32767));
    EXPECT_EQ(value, 12u);
    EXPECT_TRUE(read("abc", 32767));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(v.boxes().empty());
}

TEST(Settings, PrivilegedSecuritiesNeedExactlyFiveValues) {
    std::array<int16_t, 5> out{};
    EXPECT_TRUE(parse_privileged("1, 2;3 ; 4;5", out));
    EXPECT_EQ(out, (std::array<int16_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(parse_privileged("0;0;0;0;32767 \t", out));
    for (const char* bad : {"1;2;3;4", "1;2;3;4;5;6", "1;2;3;4;x", "1;2;3;4;40000", "", "1;;2;3;4", "-1;0;0;0;0", "1 2;3;4;5;6"})
        EXPECT_FALSE(parse_privileged(bad, out)) << bad;
    EXPECT_EQ(format_privileged({5, 0, -1, 0, 10}), "5;0;-1;0;10");
}

TEST(Settings, ApplyReadsTheFormAndReportsTheFirstProblem) {
    PlannedSession p;
    HeadlessView& v = p.view();
    v.type(ControlId::PurgeDays, "70000");
    v.click(ControlId::ApplySettings);
    ASSERT_EQ(v.boxes().size(), 1u);
    EXPECT_EQ(v.boxes()[0].text, "Purge age must be from 0 through 65535.");
    v.type(ControlId::PurgeDays, "0");
    v.type(ControlId::PrivilegedSecurities, "1;2;3;4");
    v.click(ControlId::ApplySettings);
    EXPECT_EQ(v.boxes().back().text,
              "Privileged Securities must contain five values separated by semicolons, for example 0;0;0;0;0.");
    v.type(ControlId::PrivilegedSecurities, "1;2;3;4;5");
    v.type(ControlId::ConferenceSecurity, "40");
    v.click(ControlId::ApplySettings);
    EXPECT_EQ(v.boxes().size(), 2u);
    EXPECT_EQ(p.app().settings.conference_security, 40);
    EXPECT_EQ(p.app().settings.privileged[4], 5);
    EXPECT_EQ(v.status(StatusLine::Settings), "Proposed settings updated in memory only.");
    EXPECT_EQ(v.status(StatusLine::Main), "Template/proposed settings updated in memory only.");
    EXPECT_NE(v.text(ControlId::PlanText).find("Conference Security:\r\n    Template: 10\r\n    Proposed: 40\r\n"),
              std::string::npos);
}

TEST(Settings, WithoutATemplateNothingCanBeApplied) {
    PlannedSession p;
    p.view().set_items(ControlId::TemplateChoice, {});
    p.view().click(ControlId::ApplySettings);
    ASSERT_EQ(p.view().boxes().size(), 1u);
    EXPECT_EQ(p.view().boxes()[0].text, "Select a template conference first.");
    load_recommended_defaults(p.app());
    EXPECT_EQ(p.view().boxes().back().icon, BoxIcon::Warning);
    EXPECT_EQ(p.view().boxes().back().text, "Run a clean inspection before choosing conference defaults.");
}

TEST(Settings, RecommendedDefaultsReplaceTheTemplateValues) {
    PlannedSession p(odd_template());
    p.app().flags.plan_current = true;
    load_recommended_defaults(p.app());
    const ProposedSettings& s = p.app().settings;
    EXPECT_EQ(s.conference_security, 10);
    EXPECT_EQ(s.message_entry_security, 10);
    EXPECT_EQ(s.max_msg_length, 99);
    EXPECT_EQ(s.purge_days, 120);
    EXPECT_EQ(s.caller_delete, 0);
    EXPECT_EQ(s.privileged, (std::array<int16_t, 5>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(p.app().flags.wizard_defaults_loaded);
    EXPECT_FALSE(p.app().flags.plan_current);
    EXPECT_EQ(p.view().status(StatusLine::Writer),
              "Recommended Wizard defaults loaded. Generate a new dry-run plan after review.");
    EXPECT_EQ(p.view().status(StatusLine::Settings), "Recommended echo defaults loaded in memory only.");
    show_template_summary(p.app());
    EXPECT_EQ(p.view().text(ControlId::WizardTemplateSummary),
              "Template #1 - Echo Conference 1\r\nAccess security: 10    Message entry: 10    Public only: Yes\r\n"
              "Routing: Yes    Caller delete: No    Purge age: 120 days\r\nPrivileged securities: 0;0;0;0;0\r\n");
}

TEST(Settings, PlanViewComparesTemplateAndProposalAndShowsTheSelectedArea) {
    PlannedSession p(odd_template());
    p.app().import.selected_area = 0;
    build_settings_plan_view(p.app());
    const std::string view = p.view().text(ControlId::PlanText);
    EXPECT_EQ(view.find("Marlinth v0.4b - TEMPLATE -> PROPOSED SETTINGS\r\n" + std::string(60, '=') +
                        "\r\nTemplate Conference #1 - Echo Conference 1\r\nTemplate Net ID: ECHO1\r\n"),
              0u);
    EXPECT_NE(view.find("Conference Access:\r\n    Template: Exactly Equal\r\n    Proposed: Equal or Greater\r\n"),
              std::string::npos);
    EXPECT_NE(view.find("Allow Message Routing:\r\n    Template: No\r\n    Proposed: Yes\r\n"), std::string::npos);
    EXPECT_NE(view.find("Privileged Securities:\r\n    Template: 5;0;-1;0;10\r\n"), std::string::npos);
    EXPECT_NE(view.find("\r\nCURRENT .NA SELECTION\r\n---------------------\r\nEcho tag: ALPHA\r\n"
                        "Caller-facing name: Net: Alpha\r\nStatus: READY\r\n"),
              std::string::npos);
    p.app().settings = ProposedSettings();
    build_settings_plan_view(p.app());
    EXPECT_EQ(p.view().text(ControlId::PlanText), "Run an inspection to load a template conference.");
}

}  // namespace
}  // namespace marlinth
