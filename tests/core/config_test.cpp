// The portable configuration (every quirk of its lines and keys, malformed or unreadable files,
// the text it is saved as, setup validation) and the stale rules: a change to an input of a
// stage clears that stage and every later one, with the message that says what to run again.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/session.h"
#include "app/setup_commands.h"
#include "core/config.h"
#include "core/strings.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/golden_diff.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using C = ControlId;

// A session started without a configuration, and the file it would save.
class Config : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FixtureBuilder fb{*native};
    test::TempDir dir;
    const std::string cfg = dir / "Marlinth.cfg";
    HeadlessSession s{*native, dir.path()};
    App& app = s.app();
    HeadlessView& v = s.view();
};

// The setup as one line: node count, the filled node slots, then the other fields.
std::string summary(const SetupState& s) {
    std::string out = "count=" + std::to_string(s.nodes.count);
    for (int i = 0; i <= kMaxNodes; ++i)
        if (!s.nodes.dir[i].empty()) out += " " + std::to_string(i) + "=" + s.nodes.dir[i];
    return out + " msg=" + s.message_dir + " quarro=" + (s.use_quarro ? "1:" : "0:") + s.quarro_cfg_path +
           " report=" + s.report_dir + " backup=" + s.backup_root;
}

TEST_F(Config, ReadingKeepsWhatIsValidAndLeavesTheDefaultsForAnythingUnreadable) {
    const std::string sep(1, kPathSeparator), defaults = "count=1 msg= quarro=0: report= backup=";
    const struct { std::string text, setup; } cases[] = {
        {"(no file)", defaults},
        {"NODECOUNT=5\n" + std::string(kMaxConfigBytes, ';'), defaults},  // one byte over the cap
        {" nodecount = 3 \r\nNODE 2=\tC:\\BBS\\SF2 \nnode1=C:\\BBS\\SF\r\r\nmsgdir=C:\\BBS\\MESSAGE\n; NODE3=comment\n"
         "NODE3=C:\\BBS\\SF3\nUseQuarro=yes\nQUARROCFG=C:\\Q\\QUARRO32.CFG\nREPORTDIR=C:\\Reports\nVERSION=9\nUNKNOWN=1\n",
         "count=3 1=C:\\BBS\\SF 2=C:\\BBS\\SF2 3=C:\\BBS\\SF3 msg=C:\\BBS\\MESSAGE quarro=1:C:\\Q\\QUARRO32.CFG "
         "report=C:\\Reports backup=C:\\BBS" + sep + "SF_BACKUPS"},
        // The last valid NODECOUNT counts; slots outside 1-32 and values other than 1/Y/y are ignored.
        {"NODECOUNT=2\nNODECOUNT=40\nNODECOUNT=0\nNODECOUNT=abc\nNODE0=zero\nNODE33=big\nNODEX=x\nNODE1=C:\\SF\nUSEQUARRO=true\n",
         "count=2 1=C:\\SF msg= quarro=0: report= backup=C:" + sep + "SF_BACKUPS"},
        {"NODE1=SF\nUSEQUARRO=0\n", "count=1 1=SF msg= quarro=0: report= backup="},  // a bare folder has no parent
        {"NODECOUNT=32\nNODECOUNT=33\nNODE32=C:\\SF32\n", "count=32 32=C:\\SF32 msg= quarro=0: report= backup="},
        // A UTF-8 byte-order mark is skipped; a node path loses its trailing separators, except a drive root.
        {"\xEF\xBB\xBFNODECOUNT=2\nNODE1=C:\\BBS\\SF\\/\nNODE2=D:\\\n",
         "count=2 1=C:\\BBS\\SF 2=D:\\ msg= quarro=0: report= backup=C:\\BBS" + sep + "SF_BACKUPS"},
        {"NODE1=C:\\SF\nBACKUPROOT=E:\\SAFE\n", "count=1 1=C:\\SF msg= quarro=0: report= backup=E:\\SAFE"},
        // Values are cut, not refused; the rest of a 511-character line is read as a line of its own.
        {"MSGDIR=" + std::string(300, 'p') + "\nNODE1=" + std::string(600, 'q') + "\n",
         "count=1 1=" + std::string(kMaxPath, 'q') + " msg=" + std::string(kMaxPath, 'p') + " quarro=0: report= backup="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        std::filesystem::remove_all(cfg);
        if (c.text != "(no file)") fb.write_text(cfg, c.text);
        HeadlessSession read(*native, dir.path());
        const SetupState& setup = read.app().setup;
        EXPECT_EQ(summary(setup), c.setup);
        // The forms show what was read (the node lines as the wizard's transcript prints them).
        EXPECT_EQ(read.view().text(C::NodeList), join_node_lines(setup.nodes, setup.nodes.count));
        EXPECT_EQ(read.view().enabled(C::QuarroCfgPath), setup.use_quarro);
        // Filling the fields at start-up fires none of the stale rules.
        EXPECT_EQ(read.view().status(StatusLine::Writer), "Generate a current dry-run plan before running writer preflight.");
    }
}

// Each problem in turn is refused with its box and nothing written; then the fields are saved
// trimmed, CR LF line ends kept (shown as LF in the transcript). (That a save is an atomic
// replace, the inspection's unsavable configuration and the replace sweep show.)
TEST_F(Config, ValidationStopsAtTheFirstProblemThenSavingTrimsTheFields) {
    test::FaultPlatform fp{*native};
    fp.set_time({2026, 12, 5, 9, 5, 3});
    std::string nodes32 = "C:\\SF1";
    for (int i = 2; i <= 32; ++i) nodes32 += "\nC:\\SF" + std::to_string(i);
    const test::ScriptVars vars = {{"NODES32", nodes32}};
    const test::ScriptResult r = test::run_script_parts(fp, dir.path(), test::load_script("setup_refusals.script"), vars, {},
                                                        [&](App&, int) { EXPECT_FALSE(fb.exists(cfg)); });
    ASSERT_TRUE(r.ok) << r.output;
    const auto b = fb.read_file(cfg);
    const std::string saved(b.begin(), b.end());
    const std::string all = r.output + "--- Marlinth.cfg\n" + test::plain_lines(saved);
    EXPECT_EQ(all, test::golden("setup_refusals.expected", all, {}));
}

// On a double-byte code page a character can end in the byte of a backslash (Shift-JIS 0x95 0x5C);
// such a path in any field is refused, in the last node's line too. The same bytes where the code
// page has no two-byte characters, and a two-byte character ending otherwise, are paths as any.
TEST_F(Config, APathWhoseTwoByteCharacterEndsInABackslashIsRefused) {
    const std::string ends_in_backslash = "C:\\BBS\\\x95\\SF", ends_otherwise = "C:\\BBS\\\x95\x5B";
    const auto validated = [&](bool code_page_932, const std::string& node2, const std::string& message) {
        test::FaultPlatform fp{*native};
        if (code_page_932) fp.use_code_page_932();
        test::TempDir home;
        HeadlessSession session{fp, home.path()};
        session.view().type(C::NodeCount, "2");
        session.view().type(C::NodeList, "C:\\BBS\\SF\r\n" + node2);
        session.view().type(C::MessageDir, message);
        const bool ok = validate_setup(session.app(), true);
        EXPECT_EQ(session.view().boxes().empty(), ok);
        return ok;
    };
    EXPECT_FALSE(validated(true, ends_in_backslash, "C:\\BBS\\MESSAGE"));
    EXPECT_FALSE(validated(true, "C:\\BBS\\SF2", ends_in_backslash));
    EXPECT_TRUE(validated(true, ends_otherwise, "C:\\BBS\\MESSAGE"));
    EXPECT_TRUE(validated(false, ends_in_backslash, "C:\\BBS\\MESSAGE"));
}

// Each input clears its own stage and every later one, and with them both typed confirmations:
// the transcript shows which stage each edit sends the sysop back to, and here every stage
// flag must agree with it.
TEST_F(Config, EditingAnInputClearsItsStageAndEveryLaterOne) {
    const std::string script = test::load_script("stage_inputs.script");
    const std::vector<std::string> parts = test::script_parts(script);
    std::string statuses;  // what each edit (named by its part's "#pause" line) leaves in the Writer status
    const test::ScriptResult r = test::run_script_parts(
        *native, dir.path(), script, {}, {}, [&](App& a, int part) {
            StageFlags& f = a.flags;
            const std::string shown = a.view.status(StatusLine::Writer);
            if (part > 1) {
                const std::string& edit = parts[static_cast<size_t>(part - 1)];
                statuses += edit.substr(edit.find("then ") + 5, edit.find('\n') - edit.find("then ") - 5) + ": " + shown + "\n";
                SCOPED_TRACE(shown);
                EXPECT_EQ(f.inspection_passed, shown.find("Run Read-Only Inspection again") == std::string::npos);
                EXPECT_EQ(f.plan_current, shown.rfind("Backup root changed.", 0) == 0);
                EXPECT_FALSE(f.preflight_passed || a.view.enabled(C::CommitAppend) || a.view.checked(C::WizardClosedConfirm));
                EXPECT_EQ(a.view.text(C::Confirmation) + a.view.text(C::WizardConfirmation), "");
                EXPECT_TRUE(f.na_loaded);  // the inspection itself clears it when it runs again
            }
            f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = true;
            a.view.set_text(C::Confirmation, "YES");
            a.view.set_text(C::WizardConfirmation, "YES");
            a.view.set_checked(C::WizardClosedConfirm, true);
            a.view.set_enabled(C::CommitAppend, true);
        });
    ASSERT_TRUE(r.ok) << r.output;
    EXPECT_EQ(r.output + statuses, test::golden("stage_inputs.expected", r.output + statuses, {}));
}

// Starting the proposal over clears every stage and the wizard's answers, but never the record
// of a completed write, which keeps a second write in the same run refused.
TEST_F(Config, ResetProposalClearsTheRunButKeepsSetupSettingsAndTheCompletedWrite) {
    StageFlags& f = app.flags;  // every stage passed, and the wizard's review box ticked
    f.inspection_passed = f.na_loaded = f.plan_current = f.preflight_passed = f.full_backup_verified = true;
    f.existing_backup_confirmed = f.wizard_defaults_loaded = f.write_completed = app.settings.valid = true;
    app.import.selected_area = 1;
    app.setup.message_dir = "C:\\MESSAGE";
    v.set_checked(C::WizardNamesReviewed, true);
    reset_proposal(app);
    EXPECT_EQ(app.import.selected_area, -1);
    EXPECT_FALSE(f.inspection_passed || f.na_loaded || f.plan_current || f.preflight_passed || f.full_backup_verified ||
                 f.existing_backup_confirmed || f.wizard_defaults_loaded || v.checked(C::WizardNamesReviewed));
    EXPECT_TRUE(f.write_completed && app.settings.valid && app.setup.message_dir == "C:\\MESSAGE");
}

}  // namespace
}  // namespace marlinth
