// Node directories: choosing Node 1, adding a node, and discovering further node directories
// from the common naming patterns beside Node 1. They work on the Setup tab's node text and
// node count, so the sysop sees and approves every path; no Spitfire file is touched.
#pragma once

#include <string>

#include "app/app.h"

namespace marlinth {

void choose_node1(App& app);
void add_node(App& app);
void discover_nodes(App& app);
// Fills nodes 2..count from the candidates (in the order found) into both node lists; returns
// how many paths are known, Node 1 included.
int wizard_scan_nodes(App& app, int count, const std::string& node1);

// The three candidate directories for node i, in the order they are tried (unfit ones empty).
std::vector<std::string> node_candidates(const std::string& node1, int i);

}  // namespace marlinth
