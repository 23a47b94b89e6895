// The transaction journal: written durably beside the program before the first SFMCONF.DAT is
// replaced and removed once the outcome is safe, so that a crash or a power cut in between is
// found at the next start. For every node it names the file, its verified backup, and the size
// and SHA-256 of the bytes before and after, so each node can be told apart as old, new or other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"
#include "core/sha256.h"
#include "core/text_buffer.h"

namespace marlinth {

constexpr const char* kJournalName = "Marlinth.journal";
constexpr uint32_t kMaxJournalBytes = 65536;

struct FileFingerprint {
    uint32_t size = 0;
    Sha256Digest digest{};
    bool operator==(const FileFingerprint& o) const { return size == o.size && digest == o.digest; }
};
FileFingerprint fingerprint_of(const uint8_t* data, uint32_t size);

struct JournalNode {
    std::string file;    // the node's SFMCONF.DAT
    std::string backup;  // its verified copy in the transaction directory
    FileFingerprint old_bytes;
    FileFingerprint new_bytes;
};

enum class JournalKind { Append, Restore };

struct Journal {
    JournalKind kind = JournalKind::Append;
    std::string transaction_dir;
    std::vector<JournalNode> nodes;  // node 1 first
};

std::string journal_text(const Journal& journal);
// False with a one-line reason when the text is not a whole journal. The transaction directory
// is filled in as soon as it is read, so a damaged journal can still name it.
bool parse_journal(std::string_view text, Journal& out, std::string& reason);

// Whole or absent: written through a temporary name, flushed, renamed, directory flushed.
bool write_journal(Platform& platform, const std::string& path, const Journal& journal, TextBuffer* report);
// Removes a settled journal durably. Returns why it is still there, or empty.
std::string remove_journal(Platform& platform, const std::string& path);

enum class NodeBytes { Old, New, Other, Unreadable };
const char* node_bytes_text(NodeBytes state);  // "original bytes", "new bytes", ...
// The same as the sysop sees it for a transaction of this kind: a restore's new bytes are the
// restored ones.
const char* node_bytes_text(NodeBytes state, JournalKind kind);
// What a node's file holds now, measured against the journal.
NodeBytes classify_node(Platform& platform, const JournalNode& node);

}  // namespace marlinth
