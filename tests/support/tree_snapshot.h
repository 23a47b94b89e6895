// The SHA-256 of every file under a directory, by relative path: two snapshots are equal when
// nothing in the tree was added, removed or changed.
#pragma once

#include <map>
#include <string>

namespace marlinth::test {

using TreeSnapshot = std::map<std::string, std::string>;

TreeSnapshot snapshot_tree(const std::string& root);

}  // namespace marlinth::test
