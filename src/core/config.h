// The portable configuration, Marlinth.cfg beside the program: the setup it holds, its text
// form both ways, and the node-directory list as the Setup tab shows it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace marlinth {

constexpr int kMaxNodes = 32;
constexpr uint32_t kMaxConfigBytes = 131072;
constexpr size_t kMaxNodeListText = 8191;

struct NodeTable {
    int32_t count = 1;                         // 1 to 32
    std::array<std::string, kMaxNodes + 1> dir;  // dir[1] .. dir[32]; dir[0] unused
};

struct SetupState {
    NodeTable nodes;
    std::string message_dir;
    bool use_quarro = false;
    std::string quarro_cfg_path;
    std::string report_dir;
    std::string backup_root;
};

// The setup a Marlinth.cfg text describes; unknown keys and bad values leave the defaults.
SetupState parse_configuration(std::string_view bytes);
// The parent of Node 1 joined with SF_BACKUPS, when the backup root is still empty.
void apply_default_backup_root(SetupState& setup);
// The file text the program writes for a setup.
std::string configuration_text(const SetupState& setup);
// Splits the multi-line node text into slots 1..; returns the number of nonblank lines taken.
int split_node_lines(std::string_view text, NodeTable& table);
// Every nonblank line of the node-directory text, without the cap of 32, so that a 33rd line is
// seen; `overlong` tells of a line the split would cut in two.
int count_node_lines(std::string_view text, bool& overlong);
// Node 1, then CR LF and each further node, capped at 8,191 characters.
std::string join_node_lines(const NodeTable& table, int count);

}  // namespace marlinth
