#include "app/restore_commands.h"

#include <vector>

#include "app/preflight_commands.h"
#include "app/prompts.h"
#include "app/recovery_commands.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/conference.h"
#include "writer/journal.h"
#include "writer/node_swap.h"
#include "writer/recovery.h"
#include "writer/restore.h"

namespace marlinth {

namespace {

constexpr const char* kRefused = "Restore from Backup was refused. Nothing was changed. Review the Writer output.";

std::string describe(const ByteBuffer& b) {
    return dec(b.size()) + " bytes, SHA-256 " + sha256_hex(b.data(), b.size());
}

// The transaction itself: verified backups of the current files, the journal, every node
// replaced and read back, rollback on failure, RESTORE.txt.
bool run_restore(App& app, std::vector<ByteBuffer>& current, const ByteBuffer& image, TextBuffer& w) {
    Platform& p = app.platform;
    const std::string& root = app.setup.backup_root;
    w.append_line();
    append_heading(w, "RESTORE TRANSACTION", '-');
    std::string dir;
    const bool dir_created = create_transaction_dir(p, root, dir, kPathCapacity, &w);
    std::vector<NodeSwap> nodes;
    bool prepared = dir_created;
    if (prepared) {
        w.append_line("Transaction directory: " + dir);
        prepared = flush_directory(p, parent_of(root), &w) && flush_directory(p, root, &w);
    }
    for (int i = 1; prepared && i <= app.setup.nodes.count; ++i) {
        NodeSwap n;
        n.number = i;
        n.old_data = current[static_cast<size_t>(i - 1)].data();
        n.old_size = current[static_cast<size_t>(i - 1)].size();
        prepared = join_path(n.file, kPathCapacity, app.setup.nodes.dir[i], "SFMCONF.DAT") &&
                   join_path(n.backup, kPathCapacity, dir, node_backup_name(i));
        if (!prepared) w.append_line("Backup transaction path is too long.");
        nodes.push_back(n);
    }
    prepared = prepared && back_up_nodes(p, dir, nodes, w) &&
               write_journal(p, app.files.journal_path,
                             journal_of(JournalKind::Restore, dir, nodes, image.data(), image.size()), &w);
    bool restored = false, settled = false;
    if (prepared) {
        w.append_line("Journal written: " + app.files.journal_path);
        const int failed = replace_nodes(p, nodes, image.data(), image.size(), "Restored from backup and verified Node ", w);
        restored = failed == 0;
        if (restored) {
            settled = true;
            w.append_line();
            w.append_line("RESTORE RESULT: SUCCESS");
        } else {
            w.append_line("RESTORE FAILURE at Node " + dec(static_cast<uint64_t>(failed)) + ". Putting every node back.");
            w.append_line();
            append_heading(w, "ROLLBACK", '-');
            settled = restore_old_bytes(p, nodes, image.data(), image.size(), w);
            w.append_line(settled ? "RESTORE RESULT: FAILED; every node holds its bytes from before the restore."
                                  : "RESTORE RESULT: DANGER: Nodes that do not hold their bytes from before the restore: " +
                                        nodes_not_original(nodes) + ". The journal was kept.");
        }
    } else {
        w.append_line("RESTORE RESULT: STOPPED before any node file was changed.");
        settled = dir_created;
    }
    std::string record;
    if (dir_created && join_path(record, kPathCapacity, dir, "RESTORE.txt")) write_record(p, record, w.view());
    if (prepared && settled) settle_journal(app);
    if (restored) return true;
    app.view.set_text(ControlId::WriterText, w.str());
    if (!prepared) {
        app.view.set_status(StatusLine::Writer, "Restore stopped before any node file was changed. Review RESTORE.txt.");
        status_and_log(app, "Restore from backup stopped before any node file changed.");
        error_box(app, "The restore stopped while backing up the current files. No SFMCONF.DAT file was changed.");
    } else if (settled) {
        app.view.set_status(StatusLine::Writer, "Restore failed; every node was put back and verified. Review RESTORE.txt.");
        status_and_log(app, "Restore from backup failed; every node put back.");
        error_box(app, "The restore failed. Every node holds its SFMCONF.DAT from before the restore again, verified.");
    } else {
        app.view.set_status(StatusLine::Writer, "DANGER: Restore failed and not every node could be put back. Keep "
                                                "everything offline and restart Marlinth to recover.");
        status_and_log(app, "DANGER: restore from backup failed and requires recovery.");
        error_box(app, "DANGER: The restore failed and not every node could be put back: " + nodes_not_original(nodes) +
                           ". Keep Spitfire and QUARRO32 offline and restart Marlinth to recover from the journal.");
    }
    return false;
}

}  // namespace

void restore_from_backup(App& app) {
    if (trimmed(bounded(app.view.text(ControlId::Confirmation), 15)) != "YES") {
        warning_box(app, "Type exactly YES in the confirmation field before Restore from Backup. Nothing was changed.");
        return;
    }
    reset_typed_confirmation(app);  // one YES, one attempt
    Platform& p = app.platform;
    if (p.attributes(app.files.journal_path).exists) {
        error_box(app, "Marlinth.journal records an unfinished transaction. Restart Marlinth to recover it before "
                       "restoring. Nothing was changed.");
        return;
    }
    if (!validate_setup(app, true)) return;
    app.setup.backup_root = trimmed(bounded(app.view.text(ControlId::BackupRoot), kMaxPath));
    // The picker opens at the newest transaction directory.
    std::string dir = newest_transaction_dir(p, app.setup.backup_root);
    if (!app.view.pick_folder("Select the MARLINTH_ transaction directory to restore from", dir)) return;
    dir = trimmed(bounded(dir, kMaxPath));

    TextBuffer& w = *app.writer;
    w.reset();
    app.flags.writer_shows_pass = false;
    append_heading(w, MARLINTH_NAMED_VERSION " RESTORE FROM BACKUP", '=');
    w.append_line("Backup directory: " + dir);
    std::vector<ByteBuffer> backups, current(static_cast<size_t>(app.setup.nodes.count));
    bool usable = read_backups(app.platform, app.setup.nodes.count, dir, backups, w);
    w.append_line();
    append_heading(w, "NODES", '-');
    for (int i = 1; i <= app.setup.nodes.count; ++i) {
        std::string path;
        ByteBuffer& now = current[static_cast<size_t>(i - 1)];
        const std::string node = "Node " + dec(static_cast<uint64_t>(i));
        if (!join_path(path, kPathCapacity, app.setup.nodes.dir[i], "SFMCONF.DAT") ||
            !read_file_capped(p, path, now, kMaxConferenceFileSize, &w)) {
            w.append_line("ERROR: " + node + " cannot be read, so it cannot be backed up: " + path);
            usable = false;
            continue;
        }
        // The preflight's probe: a file marked read-only or held open elsewhere is found here,
        // before anything is written, not half-way through the replacement.
        if (!probe_exclusive_access(p, path, &w)) {
            w.append_line("ERROR: " + node + " cannot be replaced: " + path);
            usable = false;
            continue;
        }
        const ByteBuffer& b = backups[static_cast<size_t>(i - 1)];
        w.append_line(node + " now:    " + describe(now));
        if (!b.empty()) w.append_line(node + " backup: " + describe(b));
    }
    std::vector<std::string> left_in_place;
    if (usable) left_in_place = list_conferences_lost(app.platform, app.setup.message_dir, current[0], backups[0], w);
    const bool offline = usable && [&] {
        w.append_line();
        append_heading(w, "SAFETY CHECKS", '-');
        const bool idle = check_node_occupancy(app.platform, app.setup, w, app.scratch.get());
        return check_processes_and_busy_flag(app.platform, app.setup.message_dir, w) && idle;
    }();
    app.view.set_text(ControlId::WriterText, w.str());
    if (!usable || !offline) {
        w.append_line();
        w.append_line("RESTORE RESULT: REFUSED");
        app.view.set_text(ControlId::WriterText, w.str());
        app.view.set_status(StatusLine::Writer, "Restore refused. Nothing was changed.");
        status_and_log(app, "Restore from backup refused; nothing was changed.");
        error_box(app, usable ? "Restore from Backup was refused: a Spitfire node, QUARRO32 or an external mailer may "
                                "still be active. Nothing was changed."
                              : kRefused);
        return;
    }
    const uint32_t lost = current[0].size() > backups[0].size() ? (current[0].size() - backups[0].size()) / kRecordSize : 0;
    if (!ask_yes_no(app, BoxIcon::Question,
                    "Restore SFMCONF.DAT on all " + dec(static_cast<uint64_t>(app.setup.nodes.count)) +
                        " configured node(s) from " + dir + "?\r\n\r\n" + dec(lost) +
                        " conference(s) will no longer exist; their message-base files are left in place. The current "
                        "files are backed up first, so this restore can be undone the same way.")) {
        app.view.set_status(StatusLine::Writer, "Restore cancelled. Nothing was changed.");
        return;
    }
    if (!run_restore(app, current, backups[0], w)) return;
    app.flags.write_completed = true;
    app.flags.preflight_passed = false;
    app.view.set_text(ControlId::WriterText, w.str());
    update_commit_buttons(app);
    std::string status = "RESTORED. Every node holds the backup's SFMCONF.DAT, verified. Run the final inspection.";
    std::string text = "Every configured node holds the SFMCONF.DAT from " + dir + " again, verified. The files the "
                       "restore replaced are backed up in a new transaction directory; RESTORE.txt there records it.";
    // Their numbers are the next an append gives, and the preflight refuses them while these stay.
    if (!left_in_place.empty()) {
        status += " Move the " + listed(left_in_place) + " files out of MESSAGE before appending again.";
        text += "\r\n\r\nThe message-base files of the conferences that no longer exist are still in MESSAGE: " +
                listed(left_in_place) + ". Move them out of MESSAGE before those conference numbers can be appended "
                "again; the writer preflight blocks them until then. RESTORE.txt lists every file.";
    }
    app.view.set_status(StatusLine::Writer, status);
    status_and_log(app, "Restore from backup completed and verified on every configured node.");
    info_box(app, text);
}

}  // namespace marlinth
