#include "writer/recovery.h"

#include "core/files.h"
#include "core/strings.h"
#include "spitfire/conference.h"

namespace marlinth {

void append_heading(TextBuffer& w, const std::string& title, char rule) {
    w.append_line(title);
    w.append_line(std::string(title.size(), rule));
}

std::string transaction_file(const std::string& dir, const char* name) {
    std::string path;
    return join_path(path, kPathCapacity, dir, name) ? path : std::string();
}

void add_recovery_section(Platform& platform, const Journal& j, const std::string& section) {
    const std::string record = transaction_file(j.transaction_dir, j.kind == JournalKind::Append ? "TRANSACTION.txt" : "RESTORE.txt");
    if (record.empty()) return;
    ByteBuffer old;
    std::string text;
    if (read_file_capped(platform, record, old, TextBuffer::kCapacity, nullptr)) text.assign(old.view());
    text += "\r\nRECOVERY\r\n--------\r\n" + section;
    write_record(platform, record, text);
}

bool undo_transaction(Platform& p, const Journal& j, const std::vector<NodeBytes>& states, TextBuffer& w) {
    w.append_line();
    append_heading(w, "RESTORE FROM THE TRANSACTION'S BACKUPS", '-');
    std::vector<ByteBuffer> backups(j.nodes.size());
    std::vector<NodeSwap> nodes;
    bool usable = true;
    for (size_t i = 0; i < j.nodes.size(); ++i) {
        if (states[i] == NodeBytes::Old) continue;
        const JournalNode& n = j.nodes[i];
        if (!read_file_capped(p, n.backup, backups[i], kMaxConferenceFileSize, &w) ||
            !(fingerprint_of(backups[i].data(), backups[i].size()) == n.old_bytes)) {
            if (!backups[i].empty()) w.append_line("ERROR: Backup does not match the journal: " + n.backup);
            usable = false;
            continue;
        }
        NodeSwap s;
        s.number = static_cast<int>(i + 1);
        s.file = n.file;
        s.backup = n.backup;
        s.old_data = backups[i].data();
        s.old_size = backups[i].size();
        s.state = states[i];
        nodes.push_back(s);
    }
    if (!usable) {
        w.append_line("No node file was changed.");
        return false;
    }
    return restore_old_bytes(p, nodes, nullptr, 0, w);
}

void remove_staging_leftovers(Platform& platform, const Journal& journal, const std::string& journal_path, TextBuffer& report) {
    std::vector<std::string> targets;
    for (const JournalNode& node : journal.nodes) targets.push_back(node.file);
    targets.push_back(journal_path);
    for (const std::string& target : targets) {
        const std::string staging = target + std::string(kStagingSuffix);
        if (!platform.attributes(staging).exists) continue;
        if (delete_file_durable(platform, staging, nullptr))
            report.append_line("Removed a staging file the interruption left: " + staging);
        else
            report.append_line("WARNING: Could not remove a staging file the interruption left: " + staging);
    }
}

}  // namespace marlinth
