#include "writer/restore.h"

#include <algorithm>

#include "core/files.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/conference.h"
#include "writer/node_swap.h"
#include "writer/preflight.h"
#include "writer/recovery.h"

namespace marlinth {

namespace {

bool same_bytes(const ByteBuffer& a, const ByteBuffer& b) { return a.size() == b.size() && a.view() == b.view(); }

std::string describe(const ByteBuffer& b) { return dec(b.size()) + " bytes, SHA-256 " + sha256_hex(b.data(), b.size()); }

// Every node read, so that it can be backed up, and probed, so that a file marked read-only or
// held open elsewhere is found before anything is written, not half-way through the replacement.
bool read_nodes(Platform& p, const SetupState& setup, RestoreCheck& c, TextBuffer& w) {
    bool usable = true;
    const int count = setup.nodes.count;
    c.current.resize(static_cast<size_t>(count));
    c.node_files.resize(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        std::string& path = c.node_files[static_cast<size_t>(i - 1)];
        ByteBuffer& now = c.current[static_cast<size_t>(i - 1)];
        const std::string node = "Node " + dec(static_cast<uint64_t>(i));
        if (!join_path(path, kPathCapacity, setup.nodes.dir[i], "SFMCONF.DAT") ||
            !read_file_capped(p, path, now, kMaxConferenceFileSize, &w)) {
            w.append_line("ERROR: " + node + " cannot be read, so it cannot be backed up: " + path);
            usable = false;
            continue;
        }
        if (!probe_exclusive_access(p, path, &w)) {
            w.append_line("ERROR: " + node + " cannot be replaced: " + path);
            usable = false;
            continue;
        }
        const ByteBuffer& b = c.backups[static_cast<size_t>(i - 1)];
        w.append_line(node + " now:    " + describe(now));
        if (!b.empty()) w.append_line(node + " backup: " + describe(b));
    }
    return usable;
}

}  // namespace

bool read_backups(Platform& p, int count, const std::string& dir, std::vector<ByteBuffer>& backups, TextBuffer& w) {
    backups.resize(static_cast<size_t>(count));
    bool usable = true;
    for (int i = 1; i <= count; ++i) {
        std::string path;
        ByteBuffer& b = backups[static_cast<size_t>(i - 1)];
        if (!join_path(path, kPathCapacity, dir, node_backup_name(i)) || !is_file(p, path)) {
            w.append_line("ERROR: Missing backup for Node " + dec(static_cast<uint64_t>(i)) + ": " + path);
            usable = false;
            continue;
        }
        std::vector<ConferenceView> views;
        if (!read_file_capped(p, path, b, kMaxConferenceFileSize, &w) ||
            !decode_conference_file(b.data(), b.size(), views, &w)) {
            w.append_line("ERROR: Not a valid conference file: " + path);
            usable = false;
        } else if (i > 1 && !backups[0].empty() && !same_bytes(b, backups[0])) {
            w.append_line("ERROR: Backup differs from Node 1's backup: " + path);
            usable = false;
        }
    }
    std::string extra;
    if (count < kMaxNodes && join_path(extra, kPathCapacity, dir, node_backup_name(count + 1)) && is_file(p, extra)) {
        w.append_line("ERROR: The directory holds a backup for Node " + dec(static_cast<uint64_t>(count + 1)) +
                      ", which is not configured: " + extra);
        usable = false;
    }
    return usable;
}

std::vector<std::string> list_conferences_lost(Platform& platform, const std::string& message_dir,
                                               const ByteBuffer& current, const ByteBuffer& backup, TextBuffer& w) {
    std::vector<ConferenceView> now;
    decode_conference_file(current.data(), current.size(), now, nullptr);
    const size_t kept = backup.size() / kRecordSize;
    w.append_line();
    append_heading(w, "CONFERENCES THAT WILL NO LONGER EXIST", '-');
    std::vector<uint32_t> numbers;
    for (size_t k = kept; k < now.size(); ++k) {
        w.append_line("#" + dec(now[k].number) + " " + now[k].name + " [" + now[k].net_id + "]");
        numbers.push_back(now[k].number);
    }
    if (numbers.empty()) w.append_line("None.");
    w.append_line();
    append_heading(w, "MESSAGE-BASE FILES LEFT IN PLACE", '-');
    std::vector<DirEntry> entries;
    std::vector<std::string> families, conferences;
    if (!numbers.empty() && platform.list_directory(message_dir, entries)) {
        // In name order, whatever order the file system lists them in.
        std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        for (uint32_t n : numbers) {
            const std::string family = "SFMSG" + dec2(n);
            bool found = false;
            for (const DirEntry& e : entries) {
                if (e.directory || !starts_with_nocase(e.name, family)) continue;
                if (e.name.size() != family.size() && e.name[family.size()] != '.') continue;
                std::string path;
                join_path(path, kPathCapacity, message_dir, e.name);
                w.append_line(path + " (" + dec(e.size) + " bytes)");
                found = true;
            }
            if (!found) continue;
            families.push_back(family);
            conferences.push_back(dec(n));
        }
    }
    if (families.empty()) {
        w.append_line("None.");
        return families;
    }
    // The writer refuses a new conference whose number already has message files.
    w.append_line("NOTICE: Move the " + listed(families) + " files out of MESSAGE before conference number" +
                  (conferences.size() == 1 ? " " : "s ") + listed(conferences) +
                  " can be appended again; until then the writer preflight blocks with \"conflicts with existing "
                  "message file\".");
    return families;
}

RestoreCheck check_restore(Platform& p, const SetupState& setup, const std::string& dir, TextBuffer& w) {
    RestoreCheck c;
    append_heading(w, MARLINTH_NAMED_VERSION " RESTORE FROM BACKUP", '=');
    w.append_line("Backup directory: " + dir);
    c.usable = read_backups(p, setup.nodes.count, dir, c.backups, w);
    w.append_line();
    append_heading(w, "NODES", '-');
    c.usable = read_nodes(p, setup, c, w) && c.usable;
    if (c.usable) {
        c.left_in_place = list_conferences_lost(p, setup.message_dir, c.current[0], c.backups[0], w);
        const uint32_t now = c.current[0].size(), then = c.backups[0].size();
        c.conferences_lost = now > then ? (now - then) / kRecordSize : 0;
        w.append_line();
        append_heading(w, "SAFETY CHECKS", '-');
        const bool idle = check_node_occupancy(p, setup, w, &w);
        c.offline = check_processes_and_busy_flag(p, setup.message_dir, w) && idle;
    }
    if (!c.ready()) {
        w.append_line();
        w.append_line("RESTORE RESULT: REFUSED");
    }
    return c;
}

RestoreResult run_restore_transaction(Platform& p, const SetupState& setup, const std::string& journal_path,
                                      const RestoreCheck& c, TextBuffer& w) {
    w.append_line();
    append_heading(w, "RESTORE TRANSACTION", '-');
    TransactionInputs tx{kRestoreWords, setup.backup_root, journal_path, {}, {}, &c.backups[0]};
    for (size_t i = 0; i < c.node_files.size(); ++i) {
        NodeSwap n;
        n.number = static_cast<int>(i + 1);
        n.file = c.node_files[i];
        n.old_data = c.current[i].data();
        n.old_size = c.current[i].size();
        tx.nodes.push_back(n);
    }
    const TransactionRun run = run_transaction(p, tx, w);
    RestoreResult result;
    result.outcome = run.outcome;
    result.nodes_not_original = run.nodes_not_original;
    switch (run.outcome) {
    case TransactionOutcome::Success:
        w.append_line();
        w.append_line("RESTORE RESULT: SUCCESS");
        break;
    case TransactionOutcome::RollbackVerified:
        w.append_line("RESTORE RESULT: FAILED; every node holds its bytes from before the restore.");
        break;
    case TransactionOutcome::RollbackNotVerified:
        w.append_line("RESTORE RESULT: DANGER: Nodes that do not hold their bytes from before the restore: " +
                      run.nodes_not_original + ". The journal was kept.");
        break;
    default:
        w.append_line("RESTORE RESULT: STOPPED before any node file was changed.");
    }
    result.journal_not_removed = finish_transaction(p, tx, run, w);
    return result;
}

std::string newest_transaction_dir(Platform& platform, const std::string& backup_root) {
    std::vector<DirEntry> entries;
    std::string newest;
    if (platform.list_directory(backup_root, entries))
        for (const DirEntry& e : entries)
            if (e.directory && starts_with_nocase(e.name, "MARLINTH_") && e.name > newest) newest = e.name;
    std::string path;
    return !newest.empty() && join_path(path, kPathCapacity, backup_root, newest) ? path : backup_root;
}

}  // namespace marlinth
