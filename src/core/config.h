// The portable configuration, Marlinth.cfg beside the program, and setup validation: the one
// check every stage runs before it trusts the setup.
#pragma once

#include <string>
#include <string_view>

#include "core/app.h"
#include "core/session.h"

namespace marlinth {

constexpr uint32_t kMaxConfigBytes = 131072;
constexpr size_t kMaxNodeListText = 8191;

// Reads Marlinth.cfg into the setup; any failure leaves the defaults, silently.
void load_configuration(App& app);
// The setup a Marlinth.cfg text describes: unknown keys and malformed values keep the defaults.
void parse_configuration(std::string_view text, SetupState& out);
// The parent of Node 1 joined with SF_BACKUPS, when the backup root is still empty.
void apply_default_backup_root(SetupState& setup);
// The file text the program writes for a setup.
std::string configuration_text(const SetupState& setup);
// Validates the setup (interactive) and writes the file.
bool save_configuration(App& app);
// Reads the setup fields into the session and checks their form.
bool validate_setup(App& app, bool interactive);
// Splits the multi-line node text into slots 1..; returns the number of nonblank lines taken.
int split_node_lines(std::string_view text, NodeTable& table);
// Every nonblank line of the node-directory text, without the cap of 32, so that a 33rd line is
// seen; `overlong` tells of a line too long for a path.
int count_node_lines(std::string_view text, bool& overlong);
// Node 1, then CR LF and each further node, capped at 8,191 characters.
std::string join_node_lines(const NodeTable& table, int count);

}  // namespace marlinth
