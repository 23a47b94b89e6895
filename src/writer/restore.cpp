#include "writer/restore.h"

#include <algorithm>

#include "core/files.h"
#include "core/strings.h"
#include "spitfire/conference.h"
#include "writer/node_swap.h"
#include "writer/recovery.h"

namespace marlinth {

namespace {

bool same_bytes(const ByteBuffer& a, const ByteBuffer& b) { return a.size() == b.size() && a.view() == b.view(); }

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
