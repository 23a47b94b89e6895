#include "ui/controls.h"

#include "app/list_rows.h"
#include "core/strings.h"
#include "core/version.h"

namespace marlinth {

namespace {

using K = ControlKind;
using C = ControlId;

class TableBuilder {
public:
    ControlSpec& add(ControlId id, ControlKind kind, std::string text, uint32_t pages, const char* keys = "") {
        ControlSpec entry;
        entry.id = id;
        entry.kind = kind;
        entry.text = std::move(text);
        entry.pages = pages;
        entry.access_keys = keys;
        table_.push_back(std::move(entry));
        return table_.back();
    }
    void label(std::string text, uint32_t pages, const char* keys = "") {
        add(static_cast<ControlId>(next_label_++), K::Label, std::move(text), pages, keys);
    }
    std::vector<ControlSpec> take() { return std::move(table_); }

private:
    std::vector<ControlSpec> table_;
    int next_label_ = kFirstLabelId;
};

template <class Row, size_t N>
std::vector<ColumnSpec> column_specs(const std::array<Column<Row>, N>& columns) {
    std::vector<ColumnSpec> specs;
    for (const Column<Row>& c : columns) specs.push_back({c.title, c.width});
    return specs;
}

std::vector<ControlSpec> build_table() {
    TableBuilder t;
    const uint32_t home = page::kHome;
    const uint32_t frame = page::kAdvancedFrame;
    const uint32_t setup = page::tab(Tab::Setup);
    const uint32_t confs = page::tab(Tab::Conferences);
    const uint32_t na = page::tab(Tab::NaPreview);
    const uint32_t hex = page::tab(Tab::HexRecord);
    const uint32_t report = page::tab(Tab::Report);
    const uint32_t log = page::tab(Tab::Log);
    const uint32_t plan = page::tab(Tab::SettingsPlan);
    const uint32_t writer = page::tab(Tab::Writer);
    auto wiz = page::wizard;

    // Home
    t.add(C::HomeIcon, K::Icon, "", home);
    t.add(C::HomeTitle, K::Heading, MARLINTH_NAMED_VERSION, home);
    t.add(C::HomeLine, K::Label, "Add Spitfire message conferences safely and easily.", home);
    t.add(C::StartWizard, K::DefaultButton, "Start Wizard Mode", home, "S");
    t.add(C::AdvancedTools, K::Button, "Advanced Tools", home, "A");
    t.add(C::HomeFooter, K::Label, "Quarro32 Multi-Link Parser - " MARLINTH_VERSION_STAGE, home);

    // Advanced Tools frame
    t.add(C::Tabs, K::TabControl, "", frame).items = {std::begin(kTabTitles), std::end(kTabTitles)};
    t.add(C::HomeOrReturn, K::Button, "Home", frame, "HW");

    // 0 Setup
    t.label("v" MARLINTH_VERSION " " MARLINTH_VERSION_STAGE_CAPS ": inspect and dry-run first; close every node and external mailer/tosser before commit", setup);
    t.label("Node count (1-32):", setup, "N");
    t.add(C::NodeCount, K::NumberEdit, "1", setup);
    t.label("Spitfire node home directories (one per line; Node 1 is master):", setup, "D");
    t.add(C::NodeList, K::MultiLineEdit, "", setup);
    t.add(C::SetNode1, K::Button, "Set Node 1...", setup, "1");
    t.add(C::AddNode, K::Button, "Add Node...", setup, "A");
    t.add(C::DiscoverNodes, K::Button, "Discover Nodes", setup, "V");
    t.label("Shared MESSAGE directory (required; local, mapped, or UNC path):", setup, "M");
    t.add(C::MessageDir, K::Edit, "", setup);
    t.add(C::BrowseMessageDir, K::Button, "Browse...", setup, "B");
    t.add(C::UseQuarro, K::CheckBox, "This system uses QUARRO32", setup, "Q");
    t.label("QUARRO32.CFG (read-only import):", setup, "F");
    t.add(C::QuarroCfgPath, K::Edit, "", setup);
    t.add(C::BrowseQuarroCfg, K::Button, "Browse...", setup, "O");
    t.add(C::ReadCfg, K::Button, "Read CFG", setup, "R");
    t.add(C::SaveSettings, K::Button, "Save Settings", setup, "S");
    t.add(C::RunInspection, K::DefaultButton, "Run Read-Only Inspection", setup, "I");
    t.add(C::MainStatus, K::StatusText,
          "Ready. 32-bit Windows XP SP2 or Windows 7; no administrator rights required.", setup);

    // 1 Conferences
    t.add(C::ConferenceList, K::ListView, "", confs).columns = column_specs(kConferenceColumns);

    // 2 .NA Preview (the area list and the Show filter also serve the wizard's review step)
    t.add(C::LoadNaFile, K::Button, "Load .NA File...", na, "L");
    t.label("Profile:", na, "P");
    t.add(C::ProfileChoice, K::ChoiceList, "", na);
    t.label("Network name:", na, "N");
    t.add(C::NetworkName, K::Edit, "", na);
    t.add(C::Reparse, K::Button, "Reparse", na, "R");
    t.add(C::NaPathLabel, K::StatusText, kNoNaFileLoadedText, na);
    t.add(C::NaSummary, K::StatusText, "", na);
    t.label("Show:", na | wiz(10), "S");
    t.add(C::ShowFilter, K::ChoiceList, "", na | wiz(10)).items = {"All", "Ready", "Review", "Errors"};
    {
        ControlSpec& list = t.add(C::AreaList, K::ListView, "", na | wiz(10));
        list.columns = column_specs(kAreaColumns);
        list.multi_select = true;
    }
    t.label("Selected proposed name (40 characters maximum):", na, "M");
    t.add(C::AreaName, K::Edit, "", na);
    t.add(C::ApplyName, K::Button, "Apply Name", na, "A");
    t.add(C::AreaDetails, K::ReadOnlyText, "Select an echo record to view the complete source line.", na);

    // 3 Hex Record
    t.add(C::ConferenceListBox, K::ListBox, "", hex);
    t.add(C::RecordView, K::ReadOnlyText, "Run an inspection, then select a conference.", hex);

    // 4 Report
    t.add(C::ExportReport, K::Button, "Export Report...", report, "E");
    t.add(C::ReportText, K::ReadOnlyText, "No inspection report yet.", report);

    // 5 Log
    t.add(C::LogText, K::ReadOnlyText, "", log);

    // 6 Settings Plan (the template and the twelve settings also serve the wizard's settings step)
    const uint32_t settings = plan | wiz(9);
    t.label("Writer plan: choose a template, review proposed defaults, then generate and review a dry-run plan.", plan);
    t.label("Template conference:", settings, "T");
    t.add(C::TemplateChoice, K::ChoiceList, "", settings);
    t.add(C::ResetFromTemplate, K::Button, "Reset from Template", plan, "F");
    const std::vector<std::string> no_yes = {"No", "Yes"};
    t.label("Conference Security:", settings, "S");
    t.add(C::ConferenceSecurity, K::NumberEdit, "10", settings);
    t.label("Message Entry Security:", settings, "M");
    t.add(C::MessageEntrySecurity, K::NumberEdit, "10", settings);
    t.label("Conference Access:", settings, "E");
    t.add(C::ConferenceAccess, K::ChoiceList, "", settings).items = {"Equal or Greater", "Exactly Equal"};
    t.label("Public Messages Only:", settings, "P");
    t.add(C::PublicOnly, K::ChoiceList, "", settings).items = no_yes;
    t.label("Net-Mail Conference:", settings, "I");
    t.add(C::NetMail, K::ChoiceList, "", settings).items = no_yes;
    t.label("Allow Message Routing:", settings, "R");
    t.add(C::AllowRouting, K::ChoiceList, "", settings).items = no_yes;
    t.label("Maximum Msg Length:", settings, "L");
    t.add(C::MaxMsgLength, K::NumberEdit, "99", settings);
    t.label("Purge Msgs Older Than (days):", settings, "D");
    t.add(C::PurgeDays, K::NumberEdit, "120", settings);
    t.label("Caller Message Deletion:", settings, "G");
    t.add(C::CallerDelete, K::ChoiceList, "", settings).items = no_yes;
    t.label("Purge Unreceived Msg:", settings, "U");
    t.add(C::PurgeUnreceived, K::ChoiceList, "", settings).items = no_yes;
    t.label("Purge Old Thread Msg:", settings, "O");
    t.add(C::PurgeOldThread, K::ChoiceList, "", settings).items = no_yes;
    t.label("Privileged Securities (five):", settings, "V");
    t.add(C::PrivilegedSecurities, K::Edit, "0;0;0;0;0", settings);
    t.add(C::ApplySettings, K::Button, "Apply Proposed Settings", plan, "A");
    t.add(C::GeneratePlan, K::DefaultButton, "Generate Dry-Run Plan", plan, "Y");
    t.add(C::SettingsStatus, K::StatusText,
          "Run inspection, load an .NA file, and review proposed names before generating a plan.", plan);
    t.add(C::PlanText, K::ReadOnlyText, "Run an inspection to load possible template conferences.", plan);

    // 7 Writer
    t.label("DANGER ZONE: SFWHOSON blocks occupied callers. Manually close every Spitfire node window and stop every "
            "external mailer/tosser before commit.",
            writer);
    t.label("Mandatory backup root (must be separate from Spitfire, MESSAGE, and this program):", writer, "B");
    t.add(C::BackupRoot, K::Edit, "", writer);
    t.add(C::BrowseBackupRoot, K::Button, "Browse...", writer, "O");
    t.add(C::RunPreflight, K::DefaultButton, "Run Writer Preflight", writer, "P");
    t.add(C::WriterStatus, K::StatusText, "Generate a current dry-run plan before running writer preflight.", writer);
    t.label("Final confirmation - type exactly YES:", writer, "F");
    t.add(C::Confirmation, K::Edit, "", writer);
    t.add(C::CommitAppend, K::Button, "COMMIT APPEND", writer, "M").starts_disabled = true;
    t.add(C::RestoreFromBackup, K::Button, "Restore from Backup...", writer, "R").starts_disabled = true;
    t.add(C::WriterText, K::ReadOnlyText, "No writer preflight has run. Nothing has been changed.", writer);

    // Wizard: the frame of every step (its buttons come last, below)
    const uint32_t all = page::kAllWizard;
    t.add(C::WizardHeader, K::StatusText, "", all);
    t.add(C::WizardQuestion, K::Heading, "", all);
    t.add(C::WizardHelp, K::StatusText, "", all);

    t.label("Node count (1-32):", wiz(0), "O");
    t.add(C::WizardNodeCount, K::NumberEdit, "1", wiz(0));
    t.label("Node 1 (primary/master Spitfire directory):", wiz(1), "1");
    t.add(C::WizardNode1, K::Edit, "", wiz(1));
    t.add(C::WizardBrowseNode1, K::Button, "Browse for Node 1...", wiz(1), "R");
    t.add(C::WizardScanYes, K::Radio, "Yes - scan common node folders", wiz(2), "Y").group_start = true;
    t.add(C::WizardScanNo, K::Radio, "No - I will enter the paths myself", wiz(2), "O");
    t.label("Node home directories (one per line; Node 1 first):", wiz(3), "D");
    t.add(C::WizardNodeList, K::MultiLineEdit, "", wiz(3));
    t.label("Shared MESSAGE directory:", wiz(4), "M");
    t.add(C::WizardMessageDir, K::Edit, "", wiz(4));
    t.add(C::WizardBrowseMessageDir, K::Button, "Browse for MESSAGE...", wiz(4), "R");
    t.add(C::WizardQuarroYes, K::Radio, "Yes - this system uses QUARRO32", wiz(5), "Y").group_start = true;
    t.add(C::WizardQuarroNo, K::Radio, "No - QUARRO32 is not used", wiz(5), "O");
    t.label("QUARRO32.CFG:", wiz(5), "Q");
    t.add(C::WizardQuarroCfgPath, K::Edit, "", wiz(5));
    t.add(C::WizardBrowseQuarroCfg, K::Button, "Browse for QUARRO32.CFG...", wiz(5), "R");
    t.add(C::WizardRunInspection, K::Button, "Run Read-Only Inspection", wiz(6), "I");
    t.add(C::WizardInspectionSummary, K::ReadOnlyText, kNoInspectionYetText, wiz(6));
    t.label("Backup root (separate from Spitfire, MESSAGE, and Marlinth):", wiz(7), "R");
    t.add(C::WizardBackupRoot, K::Edit, "", wiz(7));
    t.add(C::WizardBrowseBackupRoot, K::Button, "Browse...", wiz(7), "W");
    t.add(C::WizardCreateBackupChoice, K::CheckBox, "Create and verify a full backup of the shared MESSAGE directory", wiz(7), "V");
    t.add(C::WizardExistingBackupChoice, K::CheckBox, "I already have a current full backup of the shared MESSAGE directory",
          wiz(7), "I");
    t.add(C::WizardCreateBackupNow, K::Button, "Create Full MESSAGE Backup Now", wiz(7), "F");
    t.add(C::WizardBackupText, K::ReadOnlyText, "Choose backup protection.", wiz(7));
    t.add(C::WizardChooseNaFile, K::Button, "Choose .NA File...", wiz(8), "F");
    t.add(C::WizardImportSummary, K::ReadOnlyText, kNoAreaListYetText, wiz(8));
    t.add(C::WizardResetDefaults, K::Button, "Reset to Recommended Defaults", wiz(9), "F");
    t.add(C::WizardTemplateSummary, K::ReadOnlyText, "", wiz(9));
    t.add(C::WizardApproveSelected, K::Button, "Approve Selected Names", wiz(10), "L");
    t.add(C::WizardApproveAll, K::Button, "Approve All Displayed Names", wiz(10), "D");
    t.add(C::WizardNamesReviewed, K::CheckBox,
          "I reviewed every proposed conference name and understand the shared defaults apply to all of them.", wiz(10), "I");
    t.add(C::WizardGeneratePlan, K::Button, "Generate Dry Run", wiz(11), "G");
    t.add(C::WizardViewReport, K::Button, "View Technical Report...", wiz(11), "V");
    t.add(C::WizardPlanSummary, K::ReadOnlyText, kNoPlanYetText, wiz(11));
    t.add(C::WizardRunSafetyCheck, K::Button, "Run Safety Check", wiz(12), "S");
    t.add(C::WizardSafetyOutput, K::ReadOnlyText, kNoSafetyCheckYetText, wiz(12));
    t.add(C::WizardClosedConfirm, K::CheckBox,
          "I confirm every Spitfire node window and every external mailer/tosser is closed.", wiz(13), "I");
    t.label("Final confirmation - type exact uppercase YES:", wiz(13), "F");
    t.add(C::WizardConfirmation, K::Edit, "", wiz(13));
    t.add(C::WizardCommit, K::Button, "COMMIT APPEND", wiz(13), "M").starts_disabled = true;
    t.add(C::WizardCommitStatement, K::StatusText, "", wiz(13));
    t.add(C::WizardCompletionText, K::ReadOnlyText, "", wiz(14));
    t.add(C::WizardFinalInspection, K::Button, "Run Final Inspection", wiz(14), "F");
    // Created after every page's own controls, so that Tab reaches the page first, and in the
    // order they stand on screen, left to right.
    t.add(C::WizardNextBlocker, K::StatusText, "", all);
    t.add(C::WizardAdvanced, K::Button, "Advanced Tools", all, "A");
    t.add(C::WizardCancel, K::Button, "Cancel Wizard", all, "C");
    t.add(C::WizardBack, K::Button, "< Back", all, "B");
    t.add(C::WizardNext, K::DefaultButton, "Next >", all, "N");
    return t.take();
}

}  // namespace

const std::vector<ControlSpec>& control_table() {
    static const std::vector<ControlSpec> table = build_table();
    return table;
}

namespace {
bool is_word_char(char c) { return is_digit(c) || (fold_upper(c) >= 'A' && fold_upper(c) <= 'Z'); }
}  // namespace

size_t access_key_position(const std::string& text, const char* keys) {
    for (const char* key = keys; key && *key; ++key) {
        const char want = fold_upper(*key);
        size_t anywhere = std::string::npos;
        for (size_t i = 0; i < text.size(); ++i) {
            if (fold_upper(text[i]) != want) continue;
            if (i == 0 || !is_word_char(text[i - 1])) return i;
            if (anywhere == std::string::npos) anywhere = i;
        }
        if (anywhere != std::string::npos) return anywhere;
    }
    return std::string::npos;
}

std::string caption_with_access_key(const std::string& text, const char* keys) {
    const size_t at = access_key_position(text, keys);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == at) out.push_back('&');
        if (text[i] == '&') out.push_back('&');
        out.push_back(text[i]);
    }
    return out;
}

bool is_field_label(const ControlSpec& entry) {
    if (entry.kind != ControlKind::Label) return false;
    const std::vector<ControlSpec>& table = control_table();
    const size_t index = static_cast<size_t>(&entry - table.data());
    if (index + 1 >= table.size()) return false;
    switch (table[index + 1].kind) {
    case ControlKind::Edit:
    case ControlKind::NumberEdit:
    case ControlKind::MultiLineEdit:
    case ControlKind::ChoiceList:
        return true;
    default:
        return false;
    }
}

const ControlSpec* find_control(ControlId id) {
    for (const ControlSpec& entry : control_table())
        if (entry.id == id) return &entry;
    return nullptr;
}

uint32_t pages_shown(const UiPosition& ui) {
    switch (ui.screen) {
    case Screen::Home:
        return page::kHome;
    case Screen::AdvancedTools:
        return page::kAdvancedFrame | page::tab(ui.active_tab);
    case Screen::Wizard:
        return page::wizard(ui.wizard_step);
    }
    return 0;
}

ControlId status_control(StatusLine line) {
    switch (line) {
    case StatusLine::Main:
        return ControlId::MainStatus;
    case StatusLine::Writer:
        return ControlId::WriterStatus;
    case StatusLine::Settings:
    case StatusLine::Plan:
        return ControlId::SettingsStatus;
    }
    return ControlId::MainStatus;
}

}  // namespace marlinth
