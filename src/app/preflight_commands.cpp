#include "app/preflight_commands.h"

#include <new>
#include <vector>

#include "app/inspection_commands.h"
#include "app/plan_commands.h"
#include "app/prompts.h"
#include "app/recovery_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "import/area_preview.h"
#include "spitfire/message_base.h"
#include "tosser/links.h"
#include "writer/node_swap.h"
#include "writer/preflight.h"

namespace marlinth {

namespace {


bool check_signature(App& app, TextBuffer& w, bool interactive) {
    Sha256Digest current{};
    if (!app.flags.plan_current) {
        w.append_line("ERROR: Generate and review a current dry-run plan first.");
        compute_plan_signature(app, current, false);  // refreshes the plan entries used below
        return false;
    }
    if (!compute_plan_signature(app, current, interactive)) return false;
    if (current == app.plan.signature) {
        w.append_line("PASS: Current state matches the reviewed dry-run signature.");
        return true;
    }
    w.append_line("ERROR: Setup, proposed settings, or area selections changed after the dry run. Generate it again.");
    return false;
}

bool check_na_source(App& app, TextBuffer& w) {
    if (!app.flags.na_loaded) {
        w.append_line("ERROR: .NA source fingerprint is unavailable; reparse the file.");
        return false;
    }
    ByteBuffer bytes;
    if (!read_file_capped(app.platform, app.import.na_path, bytes, kMaxFingerprintBytes, &w)) return false;
    if (bytes.size() == app.import.fingerprint.size &&
        sha256(bytes.data(), bytes.size()) == app.import.fingerprint.digest) {
        w.append_line("PASS: .NA source bytes match the reviewed preview.");
        return true;
    }
    w.append_line("ERROR: The .NA source file changed after preview. Reparse and regenerate the dry run.");
    return false;
}

bool check_count(App& app, TextBuffer& w) {
    const uint32_t existing = app.baseline.count();
    const uint32_t planned = app.plan.planned_count > 0 ? static_cast<uint32_t>(app.plan.planned_count) : 0;
    if (existing + planned <= kMaxConferences) {
        w.append_line("PASS: Append count is within limit: " + dec(existing) + " + " + dec(planned) + " <= 784.");
        return true;
    }
    w.append_line("ERROR: Append plan exceeds 784 conferences.");
    return false;
}

bool check_node_files(App& app, TextBuffer& w) {
    bool all = true;
    for (int i = 1; i <= app.setup.nodes.count && i <= kMaxNodes; ++i) {
        w.append("Node " + dec(static_cast<uint64_t>(i)) + ": ");
        std::string path;
        if (!join_path(path, kPathCapacity, app.setup.nodes.dir[i], "SFMCONF.DAT")) {
            w.append_line("ERROR: SFMCONF.DAT path is too long in node directory " + app.setup.nodes.dir[i]);
            all = false;
            continue;
        }
        if (!probe_exclusive_access(app.platform, path, &w)) {
            all = false;
            continue;
        }
        ByteBuffer bytes;
        if (!read_file_capped(app.platform, path, bytes, kMaxConferenceFileSize, &w)) {
            all = false;
            continue;
        }
        const ConferenceBaseline& b = app.baseline;
        if (b.has_bytes() && bytes.size() == b.size() && bytes.view() == b.bytes.view()) {
            w.append_line("PASS, identical and exclusively writable, SHA-256 " + sha256_hex(bytes.data(), bytes.size()));
        } else {
            w.append_line("ERROR: SFMCONF.DAT differs from the inspected Node 1 baseline.");
            all = false;
        }
    }
    return all;
}

// Every path the commit will form must fit, or a passed preflight would end in a commit that stops
// early: the transaction directory with the longest name it may take (a collision suffix), the
// files it will hold, and each node file with its staging suffix. A node file path that does
// not fit at all has its own line already.
bool check_commit_paths(App& app, TextBuffer& w) {
    bool fit = true;
    const std::string& root = app.setup.backup_root;
    if (!root.empty()) {
        std::string dir, file;
        bool fits = join_path(dir, kDirectoryCapacity, root, longest_transaction_name(app.platform.local_time()));
        for (int i = 1; fits && i <= app.setup.nodes.count && i <= kMaxNodes; ++i)
            fits = join_path(file, kPathCapacity, dir, node_backup_name(i));
        for (const char* name : {"STAGED-SFMCONF.DAT", "TRANSACTION.txt"})
            fits = fits && join_path(file, kPathCapacity, dir, name);
        if (!fits) {
            w.append_line("ERROR: Backup root is too long for the transaction directory and its backup files: " + root);
            fit = false;
        }
    }
    for (int i = 1; i <= app.setup.nodes.count && i <= kMaxNodes; ++i) {
        std::string path;
        if (join_path(path, kPathCapacity, app.setup.nodes.dir[i], "SFMCONF.DAT") && path.size() > kMaxReplaceTarget) {
            w.append_line("ERROR: Node " + dec(static_cast<uint64_t>(i)) +
                          " SFMCONF.DAT path is too long for its staging name (at most 251 characters): " + path);
            fit = false;
        }
    }
    return fit;
}

bool check_message_bases(App& app, TextBuffer& w) {
    w.append_line();
    w.append_line("CURRENT MESSAGE-BASE SAFETY SCAN");
    std::vector<MessageBaseResult> results;
    try {
        results.reserve(app.baseline.conferences.size());
    } catch (const std::bad_alloc&) {
        w.append_line("ERROR: Out of memory during message-base preflight.");
        return false;
    }
    bool missing = false;
    validate_message_base(app.platform, app.setup.message_dir, app.baseline.conferences, results, &w, missing);
    bool sound = !missing;
    for (const MessageBaseResult& r : results)
        if (r.error || r.danger > 0) sound = false;
    return sound;
}

bool check_future_numbers(App& app, TextBuffer& w) {
    std::vector<std::string> families;
    const uint32_t existing = app.baseline.count();
    const uint32_t planned = app.plan.planned_count > 0 ? static_cast<uint32_t>(app.plan.planned_count) : 0;
    for (uint32_t n = existing + 1; n <= existing + planned; ++n) {
        std::string name;
        if (find_message_file(app.platform, app.setup.message_dir, n, name, kPathCapacity)) {
            w.append_line("ERROR: Future Conference #" + dec(n) + " conflicts with existing message file: " + name);
            families.push_back("SFMSG" + dec2(n));
        }
    }
    // Such files are most often a removed conference's, left behind by Restore from Backup.
    if (!families.empty())
        w.append_line("       Move the " + listed(families) + " files out of MESSAGE (Restore from Backup leaves the "
                      "files of the conferences it removes), then run the preflight again.");
    return families.empty();
}

}  // namespace

bool check_backup_root_field(App& app, TextBuffer& w) {
    app.setup.backup_root = trimmed(bounded(app.view.text(ControlId::BackupRoot), kMaxPath));
    return check_backup_root(app.platform, app.setup, app.files.program_dir, w);
}

void show_report_at_first_error(App& app, ControlId field, const std::string& report) {
    app.view.set_text(field, report);
    size_t line = 0;
    for (size_t at = 0; at < report.size(); ++line) {
        if (report.compare(at, 6, "ERROR:") == 0) {
            app.view.show_line(field, line);
            return;
        }
        at = report.find('\n', at);
        if (at == std::string::npos) break;
        ++at;
    }
}

void update_commit_buttons(App& app) {
    app.view.set_enabled(ControlId::CommitAppend, commit_allowed(app, app.view.text(ControlId::Confirmation)));
    // A restore needs the same typed YES, but no preflight: it also undoes a completed append.
    app.view.set_enabled(ControlId::RestoreFromBackup, !app.flags.commit_in_progress &&
                                                           trimmed(bounded(app.view.text(ControlId::Confirmation), 15)) == "YES");
    app.view.set_enabled(ControlId::WizardCommit, app.view.checked(ControlId::WizardClosedConfirm) &&
                                                      commit_allowed(app, app.view.text(ControlId::WizardConfirmation)));
}

bool run_writer_preflight(App& app, bool interactive) {
    if (app.flags.write_completed) {
        if (interactive)
            warning_box(app, "A write already completed in this session. Restart Marlinth after Spitfire creates the new "
                             "message files.");
        return false;
    }
    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    w.append_line(MARLINTH_NAMED_VERSION " APPEND-ONLY WRITER PREFLIGHT");
    w.append_line(std::string(44, '='));
    const bool plan_was_current = app.flags.plan_current;
    const bool settled = check_no_unsettled_journal(app, w);
    bool passed = check_signature(app, w, interactive) && settled;
    const bool nodes_idle = check_node_occupancy(app.platform, app.setup, w, app.scratch.get());
    const bool processes_clear = check_processes_and_busy_flag(app.platform, app.setup.message_dir, w);
    passed = nodes_idle && passed;
    passed = processes_clear && passed;
    passed = check_backup_root_field(app, w) && passed;
    passed = check_na_source(app, w) && passed;
    passed = check_count(app, w) && passed;
    passed = check_node_files(app, w) && passed;
    passed = check_commit_paths(app, w) && passed;
    passed = check_message_bases(app, w) && passed;
    if (app.plan.planned_count > 0) passed = check_future_numbers(app, w) && passed;
    w.append_line();
    if (passed) {
        w.append_line("PREFLIGHT RESULT: PASS");
        w.append_line("All checks will be repeated immediately before commit.");
    } else {
        w.append_line("PREFLIGHT RESULT: BLOCKED");
    }

    show_report_at_first_error(app, ControlId::WriterText, w.str());
    app.flags.preflight_passed = app.flags.writer_shows_pass = passed;
    update_commit_buttons(app);
    if (passed)
        app.view.set_status(StatusLine::Writer,
                            "Automated preflight passed. Confirm every Spitfire node window is closed before typing YES.");
    else if (!settled)
        app.view.set_status(StatusLine::Writer, "BLOCKED: Marlinth.journal records an unfinished transaction. Restart "
                                                "Marlinth to recover the nodes.");
    else if (nodes_idle && processes_clear)
        app.view.set_status(StatusLine::Writer, "Preflight blocked. Correct every ERROR and run it again.");
    else
        app.view.set_status(StatusLine::Writer, "BLOCKED: Shut down occupied Spitfire nodes and every external "
                                                "mailer/tosser; confirm QUARRO.BSY is absent and review each ERROR.");
    if (!interactive) return passed;
    if (passed) {
        log_message(app, "Writer preflight PASS; no Spitfire files were changed.");
        info_box(app, "Writer preflight passed its automated checks. No Spitfire files were changed. SFWHOSON.DAT proves "
                      "no caller is active, but not that idle node processes are closed. Manually confirm every Spitfire "
                      "node window is closed before typing YES.");
    } else {
        log_message(app, "Writer preflight BLOCKED; no Spitfire files were changed. Review the Writer output.");
        std::string text = "Writer preflight was BLOCKED. No Spitfire files were changed.\r\n\r\n";
        if (!(nodes_idle && processes_clear))
            text += "Shut down every occupied Spitfire node and stop every external mailer/tosser, including QUARRO32 "
                    "when used.\r\nConfirm QUARRO.BSY is absent before running preflight again. NTVDM alone does not "
                    "block; SFWHOSON.DAT determines node occupancy.\r\n";
        if (!plan_was_current) text += "Generate and review a current dry-run plan before preflight.\r\n";
        text += "Review the Writer output for each exact ERROR.";
        error_box(app, text);
    }
    return passed;
}

void run_preflight_command(App& app) {
    app.flags.preflight_passed = false;
    app.flags.commit_in_progress = false;
    reset_typed_confirmation(app);
    run_writer_preflight(app, true);
    update_commit_buttons(app);
}

void browse_backup_root(App& app) {
    std::string path = trimmed(app.view.text(ControlId::BackupRoot));
    if (!app.view.pick_folder("Select a backup root separate from Spitfire, MESSAGE, and Marlinth", path)) return;
    path = bounded(path, kMaxPath);
    app.view.set_text(ControlId::BackupRoot, path);
    app.setup.backup_root = path;
    invalidate_preflight(app, "Backup root changed. Run Writer Preflight again; the reviewed dry-run remains current.");
}

void wizard_safety_check(App& app) {
    const std::string root = bounded(trimmed(app.view.text(ControlId::WizardBackupRoot)), kMaxPath);
    app.view.set_text(ControlId::BackupRoot, root);
    app.setup.backup_root = root;
    app.view.set_text(ControlId::WizardSafetyOutput, "");
    run_preflight_command(app);
    show_report_at_first_error(app, ControlId::WizardSafetyOutput, app.writer->str());
    app.shell->refresh_wizard();
}

}  // namespace marlinth
