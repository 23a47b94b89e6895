#include "writer/journal.h"

#include "core/files.h"
#include "core/line_reader.h"
#include "core/strings.h"
#include "core/version.h"
#include "spitfire/conference.h"

namespace marlinth {

namespace {

constexpr std::string_view kTitle = MARLINTH_NAMED_VERSION " TRANSACTION JOURNAL";

std::string fingerprint_text(const FileFingerprint& f) { return dec(f.size) + " " + sha256_hex(f.digest); }

bool parse_hex_digest(std::string_view hex, Sha256Digest& out) {
    if (hex.size() != 64) return false;
    auto nibble = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    for (size_t i = 0; i < 32; ++i) {
        const int hi = nibble(hex[2 * i]), lo = nibble(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool parse_fingerprint(std::string_view text, FileFingerprint& out) {
    size_t digits = 0;
    const uint64_t size = read_decimal(text, &digits);
    if (digits == 0 || size > kMaxConferenceFileSize || digits + 1 > text.size() || text[digits] != ' ') return false;
    out.size = static_cast<uint32_t>(size);
    return parse_hex_digest(text.substr(digits + 1), out.digest);
}

}  // namespace

FileFingerprint fingerprint_of(const uint8_t* data, uint32_t size) {
    FileFingerprint f;
    f.size = size;
    f.digest = sha256(data, size);
    return f;
}

std::string journal_text(const Journal& j) {
    std::string t;
    auto line = [&](std::string_view s) { t.append(s).append("\r\n"); };
    line(kTitle);
    line("Marlinth writes this file before it replaces any SFMCONF.DAT and removes it when the");
    line("transaction has ended safely. If it is still here, Marlinth was ended during a transaction:");
    line("start Marlinth again and it will finish or undo it. Do not edit or delete this file.");
    line(std::string("KIND=") + (j.kind == JournalKind::Append ? "APPEND" : "RESTORE"));
    line("TRANSACTION=" + j.transaction_dir);
    line("NODES=" + dec(j.nodes.size()));
    for (size_t i = 0; i < j.nodes.size(); ++i) {
        const JournalNode& n = j.nodes[i];
        line("NODE=" + dec(i + 1));
        line("FILE=" + n.file);
        line("BACKUP=" + n.backup);
        line("OLD=" + fingerprint_text(n.old_bytes));
        line("NEW=" + fingerprint_text(n.new_bytes));
    }
    line("END");
    return t;
}

bool parse_journal(std::string_view text, Journal& out, std::string& reason) {
    out = Journal();
    LineReader lines(text, 4096, LineReader::LongLines::SkipRest);
    TextLine line;
    uint64_t number = 1;
    auto fail = [&](const std::string& why) {
        reason = why;
        return false;
    };
    if (!lines.next(line) || line.text != kTitle) return fail("it does not start with its title line");
    size_t declared = 0;
    bool counted = false, ended = false;
    JournalNode* node = nullptr;
    while (lines.next(line)) {
        ++number;
        const std::string_view l = line.text;
        const size_t eq = l.find('=');
        const std::string_view key = l.substr(0, eq == std::string_view::npos ? l.size() : eq);
        const std::string_view value = eq == std::string_view::npos ? std::string_view() : l.substr(eq + 1);
        const std::string where = " (line " + dec(number) + ")";
        if (line.overlong) return fail("a line is too long" + where);
        if (ended) return fail("text follows its END line" + where);
        if (l == "END") {
            ended = true;
        } else if (key == "KIND") {
            if (value != "APPEND" && value != "RESTORE") return fail("unknown KIND" + where);
            out.kind = value == "APPEND" ? JournalKind::Append : JournalKind::Restore;
        } else if (key == "TRANSACTION") {
            if (value.empty() || value.size() > kMaxPath) return fail("bad TRANSACTION" + where);
            out.transaction_dir = std::string(value);
        } else if (key == "NODES") {
            size_t digits = 0;
            declared = static_cast<size_t>(read_decimal(value, &digits));
            if (digits == 0 || digits != value.size() || declared < 1 || declared > 32) return fail("bad NODES" + where);
            counted = true;
        } else if (key == "NODE") {
            size_t digits = 0;
            const uint64_t n = read_decimal(value, &digits);
            if (!counted || digits != value.size() || n != out.nodes.size() + 1 || n > declared)
                return fail("nodes out of order" + where);
            out.nodes.emplace_back();
            node = &out.nodes.back();
        } else if (node && (key == "FILE" || key == "BACKUP")) {
            if (value.empty() || value.size() > kMaxPath) return fail("bad path" + where);
            (key == "FILE" ? node->file : node->backup) = std::string(value);
        } else if (node && (key == "OLD" || key == "NEW")) {
            if (!parse_fingerprint(value, key == "OLD" ? node->old_bytes : node->new_bytes))
                return fail("bad size or SHA-256" + where);
        } else if (eq == std::string_view::npos && !counted) {
            // the explanation under the title
        } else {
            return fail("unexpected line" + where);
        }
    }
    if (!ended) return fail("it has no END line");
    if (out.transaction_dir.empty() || !counted || out.nodes.size() != declared) return fail("it is incomplete");
    for (const JournalNode& n : out.nodes)
        if (n.file.empty() || n.backup.empty()) return fail("a node has no FILE or BACKUP");
    return true;
}

bool write_journal(Platform& platform, const std::string& path, const Journal& journal, TextBuffer* report) {
    const std::string text = journal_text(journal);
    return replace_file_atomic(platform, path, reinterpret_cast<const uint8_t*>(text.data()),
                               static_cast<uint32_t>(text.size()), report);
}

const char* node_bytes_text(NodeBytes state, JournalKind kind) {
    return state == NodeBytes::New && kind == JournalKind::Restore ? "restored bytes" : node_bytes_text(state);
}

const char* node_bytes_text(NodeBytes state) {
    switch (state) {
    case NodeBytes::Old:
        return "original bytes";
    case NodeBytes::New:
        return "new bytes";
    case NodeBytes::Other:
        return "other bytes";
    case NodeBytes::Unreadable:
        return "missing or unreadable";
    }
    return "other bytes";
}

NodeBytes classify_node(Platform& platform, const JournalNode& node) {
    ByteBuffer bytes;
    if (!read_file_capped(platform, node.file, bytes, kMaxConferenceFileSize, nullptr)) return NodeBytes::Unreadable;
    const FileFingerprint now = fingerprint_of(bytes.data(), bytes.size());
    if (now == node.old_bytes) return NodeBytes::Old;
    if (now == node.new_bytes) return NodeBytes::New;
    return NodeBytes::Other;
}

std::string remove_journal(Platform& platform, const std::string& path) {
    auto why = TextBuffer::create();
    if (delete_file_durable(platform, path, why.get())) return {};
    return why ? trimmed(why->view()) : path;
}

}  // namespace marlinth
