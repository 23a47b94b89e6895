// The view port: the only way the logic reaches the window. Controls are keyed by the
// identifiers of the main window and the wizard. Two implementations exist: the real Win32
// window and an in-memory headless toolkit for tests and scripted runs. Setting a field's text
// raises the same change notification as typing, in both.
#pragma once

#include <string>
#include <vector>

namespace marlinth {

enum class ControlId : int {
    None = 0,
    Tabs = 100,

    // Home screen
    StartWizard = 300,
    AdvancedTools = 301,
    HomeOrReturn = 302,
    HomeIcon = 303,
    HomeTitle = 304,
    HomeLine = 305,
    HomeFooter = 306,

    // Setup tab
    NodeCount = 110,
    NodeList = 111,
    SetNode1 = 112,
    AddNode = 113,
    DiscoverNodes = 114,
    MessageDir = 115,
    BrowseMessageDir = 116,
    UseQuarro = 117,
    QuarroCfgPath = 118,
    BrowseQuarroCfg = 119,
    ReadCfg = 120,
    SaveSettings = 121,
    RunInspection = 122,
    MainStatus = 123,  // the status line (status bar) of the window

    // .NA Preview tab
    LoadNaFile = 130,
    ProfileChoice = 131,
    NetworkName = 132,
    Reparse = 133,
    AreaName = 134,
    ApplyName = 135,
    ShowFilter = 136,
    NaPathLabel = 137,
    NaSummary = 138,

    // Report tab
    ExportReport = 140,

    // Hex Record tab
    ConferenceListBox = 150,

    // Settings Plan tab
    TemplateChoice = 160,
    ResetFromTemplate = 161,
    ConferenceSecurity = 162,
    MessageEntrySecurity = 163,
    ConferenceAccess = 164,
    PublicOnly = 165,
    NetMail = 166,
    AllowRouting = 167,
    MaxMsgLength = 168,
    PurgeDays = 169,
    CallerDelete = 170,
    PurgeUnreceived = 171,
    PurgeOldThread = 172,
    PrivilegedSecurities = 173,
    ApplySettings = 174,
    GeneratePlan = 175,
    SettingsStatus = 176,

    // Writer tab
    BackupRoot = 180,
    BrowseBackupRoot = 181,
    RunPreflight = 182,
    Confirmation = 183,
    CommitAppend = 184,
    WriterStatus = 185,
    RestoreFromBackup = 186,

    // Views
    ConferenceList = 200,
    AreaList = 201,
    RecordView = 202,
    ReportText = 203,
    LogText = 204,
    AreaDetails = 205,
    PlanText = 206,
    WriterText = 207,

    // Wizard
    WizardBack = 310,
    WizardNext = 311,
    WizardCancel = 312,
    WizardAdvanced = 313,
    WizardBackupRoot = 320,
    WizardBrowseBackupRoot = 321,
    WizardCreateBackupChoice = 322,
    WizardExistingBackupChoice = 323,
    WizardCreateBackupNow = 324,
    WizardResetDefaults = 330,
    WizardGeneratePlan = 331,
    WizardViewReport = 332,
    WizardRunSafetyCheck = 340,
    WizardClosedConfirm = 350,
    WizardConfirmation = 351,
    WizardCommit = 352,
    WizardCommitStatement = 353,
    WizardFinalInspection = 360,
    WizardCompletionText = 361,
    WizardNodeCount = 370,
    WizardNode1 = 371,
    WizardBrowseNode1 = 372,
    WizardScanYes = 373,
    WizardScanNo = 374,
    WizardNodeList = 375,
    WizardMessageDir = 376,
    WizardBrowseMessageDir = 377,
    WizardQuarroYes = 378,
    WizardQuarroNo = 379,
    WizardQuarroCfgPath = 380,
    WizardBrowseQuarroCfg = 381,
    WizardRunInspection = 382,
    WizardChooseNaFile = 383,
    WizardNamesReviewed = 384,
    WizardApproveSelected = 385,
    WizardApproveAll = 386,
    WizardHeader = 390,
    WizardQuestion = 391,
    WizardHelp = 392,
    WizardInspectionSummary = 393,
    WizardBackupText = 394,
    WizardImportSummary = 396,
    WizardTemplateSummary = 397,
    WizardPlanSummary = 398,
    WizardSafetyOutput = 399,
    // Beside the wizard's buttons: what keeps "Next >" grey, while it is grey.
    WizardNextBlocker = 400,
};

enum class UiEvent {
    Clicked,      // a button press (a check box or radio button toggled by the user)
    Edited,       // a field's text changed, by typing or by the program
    Chosen,       // a new selection in a choice list or list box, by the user
    ItemChanged,  // a list view's row selection changed
};

enum class StatusLine { Main, Writer, Settings, Plan };

enum class BoxIcon { Error, Warning, Information, Question };
enum class BoxButtons { Ok, YesNo };  // Yes/No boxes default to No
enum class BoxAnswer { Ok, Yes, No };

struct FileFilter {
    std::string description;  // "Text reports (*.txt)"
    std::string pattern;      // "*.txt"
};

struct FileDialogSpec {
    std::string title;
    std::vector<FileFilter> filters;
    std::string initial_name;       // save dialogs: the preset file name
    std::string initial_directory;  // empty: the platform's choice
    std::string default_extension;  // save dialogs
};

class View {
public:
    virtual ~View() = default;

    virtual std::string text(ControlId id) = 0;
    virtual void set_text(ControlId id, const std::string& text) = 0;
    virtual bool checked(ControlId id) = 0;
    virtual void set_checked(ControlId id, bool on) = 0;

    // Choice lists and list boxes.
    virtual void set_items(ControlId id, const std::vector<std::string>& items) = 0;
    virtual int item_count(ControlId id) = 0;
    virtual int selection(ControlId id) = 0;  // -1: none
    virtual void set_selection(ControlId id, int index) = 0;

    // Report-style list views.
    virtual void set_rows(ControlId id, const std::vector<std::vector<std::string>>& rows) = 0;
    virtual std::vector<int> selected_rows(ControlId id) = 0;
    // Selects exactly this row (or none for -1), focuses it and scrolls it into view.
    virtual void select_row(ControlId id, int row) = 0;

    virtual void set_enabled(ControlId id, bool enabled) = 0;
    virtual bool enabled(ControlId id) = 0;
    virtual void set_visible(ControlId id, bool visible) = 0;
    virtual bool visible(ControlId id) = 0;
    virtual void focus(ControlId id) = 0;
    // Scrolls a multi-line text so that the line (counted from 0) is the first one shown, with
    // the caret at its start.
    virtual void show_line(ControlId id, size_t line) = 0;

    virtual void set_status(StatusLine line, const std::string& text) = 0;
    virtual std::string status(StatusLine line) = 0;

    virtual BoxAnswer message_box(BoxIcon icon, BoxButtons buttons, const std::string& text) = 0;
    // `path` names the folder to open at (empty: the platform's choice) and receives the choice.
    virtual bool pick_folder(const std::string& title, std::string& path) = 0;
    virtual bool pick_open_file(const FileDialogSpec& dialog, std::string& path) = 0;
    virtual bool pick_save_file(const FileDialogSpec& dialog, std::string& path) = 0;

    // Lays the controls of the current screen out again (after a screen or page change).
    virtual void relayout() = 0;
    // Paints the window now, before a long operation blocks it.
    virtual void repaint() = 0;
    // Lets a long operation show that it advances (a progress line), without user input.
    virtual void show_progress(const std::string& text) = 0;
};

}  // namespace marlinth
