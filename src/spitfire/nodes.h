// Node directories: the common naming patterns under which further nodes sit beside Node 1.
#pragma once

#include <string>

#include <vector>

namespace marlinth {

// The three candidate directories for node i, in the order they are tried (unfit ones empty).
std::vector<std::string> node_candidates(const std::string& node1, int i);

}  // namespace marlinth
