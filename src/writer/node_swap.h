// The steps every transaction on the nodes' SFMCONF.DAT files shares (the append, and a restore
// from backups): durable verified backups, one image put on every node in order with a read-back,
// and the way back to each node's own earlier bytes. Each node's state is followed call by call,
// and read again after a failure, so that a report never calls a node changed or failed when it
// holds its original bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "writer/journal.h"

namespace marlinth {

struct NodeSwap {
    int number = 0;
    std::string file;    // the node's SFMCONF.DAT
    std::string backup;  // its copy in the transaction directory
    const uint8_t* old_data = nullptr;  // what the node held, verified before the transaction
    uint32_t old_size = 0;
    NodeBytes state = NodeBytes::Old;
};

// "Node01-SFMCONF.DAT" ... "Node32-SFMCONF.DAT".
std::string node_backup_name(int node);

// Copies every node's file into its backup, flushes and verifies it against the old bytes, then
// flushes the directory. "Backed up Node i -> path" per node; false at the first failure.
bool back_up_nodes(Platform& platform, const std::string& dir, const std::vector<NodeSwap>& nodes, TextBuffer& report);
// Writes a file that must be whole or absent and on disk before the nodes are touched: created
// new, flushed, read back, its directory flushed.
bool write_durable_verified(Platform& platform, const std::string& path, const uint8_t* data, uint32_t size,
                            TextBuffer& report);
// A report file that is whole or absent (written through a temporary name); false, silently,
// when it could not be written.
bool write_record(Platform& platform, const std::string& path, std::string_view text);
// Puts the image on every node in order, each read back; `done` + i + " " + path per node.
// Returns 0, or the number of the node that failed (the primitive's own line is in the report).
int replace_nodes(Platform& platform, std::vector<NodeSwap>& nodes, const uint8_t* image, uint32_t size,
                  std::string_view done, TextBuffer& report);
// Puts every node's old bytes back, every node and without stopping at a failure; a node that
// fails is read again and the report says what it holds. True when every node holds its old bytes.
bool restore_old_bytes(Platform& platform, std::vector<NodeSwap>& nodes, const uint8_t* image, uint32_t size,
                       TextBuffer& report);
// "Node 2 (new bytes), Node 3 (other bytes)"; empty when every node holds its original bytes.
std::string nodes_not_original(const std::vector<NodeSwap>& nodes);
Journal journal_of(JournalKind kind, const std::string& dir, const std::vector<NodeSwap>& nodes, const uint8_t* image,
                   uint32_t size);

}  // namespace marlinth
