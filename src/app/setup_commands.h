// The setup as the commands see it: Marlinth.cfg read into the session and written from the
// form, and setup validation, the one check every stage runs before it trusts the setup.
#pragma once

#include <string>

#include "app/app.h"
#include "core/config.h"

namespace marlinth {

// Reads Marlinth.cfg into the setup; any failure leaves the defaults, silently.
void load_configuration(App& app);
// Validates the setup (interactive) and writes the file.
bool save_configuration(App& app);
// Reads the setup fields into the session and checks their form.
bool validate_setup(App& app, bool interactive);

// Node directories on the Setup tab: choosing Node 1, adding a node, and discovering further
// node directories beside Node 1. They work on the node text and node count, so the sysop sees
// and approves every path; no Spitfire file is touched.
void choose_node1(App& app);
void add_node(App& app);
void discover_nodes(App& app);
// Fills nodes 2..count from the candidates (in the order found) into both node lists; returns
// how many paths are known, Node 1 included.
int wizard_scan_nodes(App& app, int count, const std::string& node1);

// Once Node 1 is known, a backup root still empty (the Writer tab's field, and in a wizard the
// wizard's too) becomes SF_BACKUPS beside Node 1 in both, as at start-up; a root there is kept.
void offer_default_backup_root(App& app, const std::string& node1);

}  // namespace marlinth
