#include "writer/node_swap.h"

#include <cstring>

#include "core/files.h"
#include "core/strings.h"
#include "spitfire/conference.h"

namespace marlinth {

namespace {

std::string node_word(int number) { return "Node " + dec(static_cast<uint64_t>(number)); }

// Reads a node again after a failed step; when the read itself fails, what the calls told stands.
NodeBytes read_again(Platform& platform, const NodeSwap& node, const uint8_t* image, uint32_t size) {
    ByteBuffer now;
    if (!read_file_capped(platform, node.file, now, kMaxConferenceFileSize, nullptr)) return node.state;
    auto holds = [&](const uint8_t* data, uint32_t length) {
        return now.size() == length && (length == 0 || std::memcmp(now.data(), data, length) == 0);
    };
    if (holds(node.old_data, node.old_size)) return NodeBytes::Old;
    if (image && holds(image, size)) return NodeBytes::New;
    return NodeBytes::Other;
}

}  // namespace

std::string node_backup_name(int node) { return "Node" + dec2(static_cast<uint32_t>(node)) + "-SFMCONF.DAT"; }

bool back_up_nodes(Platform& platform, const std::string& dir, const std::vector<NodeSwap>& nodes, TextBuffer& w) {
    for (const NodeSwap& n : nodes) {
        if (!copy_file_durable(platform, n.file, n.backup, &w) ||
            !verify_file_bytes(platform, n.backup, n.old_data, n.old_size, &w))
            return false;
        w.append_line("Backed up " + node_word(n.number) + " -> " + n.backup);
    }
    return flush_directory(platform, dir, &w);
}

bool write_durable_verified(Platform& platform, const std::string& path, const uint8_t* data, uint32_t size,
                            TextBuffer& w) {
    return write_file_durable_new(platform, path, data, size, &w) && verify_file_bytes(platform, path, data, size, &w) &&
           flush_directory(platform, parent_of(path), &w);
}

bool write_record(Platform& platform, const std::string& path, std::string_view text) {
    return replace_file_atomic(platform, path, reinterpret_cast<const uint8_t*>(text.data()),
                               static_cast<uint32_t>(text.size()), nullptr);
}

int replace_nodes(Platform& platform, std::vector<NodeSwap>& nodes, const uint8_t* image, uint32_t size,
                  std::string_view done, TextBuffer& w) {
    for (NodeSwap& n : nodes) {
        bool renamed = false;
        const bool replaced = replace_file_atomic(platform, n.file, image, size, &w, &renamed);
        if (renamed) n.state = NodeBytes::New;
        if (replaced && verify_file_bytes(platform, n.file, image, size, &w)) {
            w.append_line(std::string(done) + dec(static_cast<uint64_t>(n.number)) + " " + n.file);
            continue;
        }
        if (renamed) n.state = read_again(platform, n, image, size);
        return n.number;
    }
    return 0;
}

bool restore_old_bytes(Platform& platform, std::vector<NodeSwap>& nodes, const uint8_t* image, uint32_t size,
                       TextBuffer& w) {
    bool all = true;
    for (NodeSwap& n : nodes) {
        bool renamed = false;
        if (replace_file_atomic(platform, n.file, n.old_data, n.old_size, &w, &renamed) &&
            verify_file_bytes(platform, n.file, n.old_data, n.old_size, &w)) {
            n.state = NodeBytes::Old;
            w.append_line("Restored and verified " + node_word(n.number) + " " + n.file);
            continue;
        }
        if (renamed) n.state = NodeBytes::Old;
        n.state = read_again(platform, n, image, size);
        if (n.state == NodeBytes::Old) {
            w.append_line(node_word(n.number) + " holds its original bytes: " + n.file);
            continue;
        }
        w.append_line("ROLLBACK FAILED: " + node_word(n.number) + " " + n.file);
        w.append_line(node_word(n.number) + " now holds " + node_bytes_text(n.state) + ".");
        all = false;
    }
    return all;
}

std::string nodes_not_original(const std::vector<NodeSwap>& nodes) {
    std::string text;
    for (const NodeSwap& n : nodes) {
        if (n.state == NodeBytes::Old) continue;
        if (!text.empty()) text += ", ";
        text += node_word(n.number) + " (" + node_bytes_text(n.state) + ")";
    }
    return text;
}

Journal journal_of(JournalKind kind, const std::string& dir, const std::vector<NodeSwap>& nodes, const uint8_t* image,
                   uint32_t size) {
    Journal j;
    j.kind = kind;
    j.transaction_dir = dir;
    for (const NodeSwap& n : nodes)
        j.nodes.push_back({n.file, n.backup, fingerprint_of(n.old_data, n.old_size), fingerprint_of(image, size)});
    return j;
}

}  // namespace marlinth
