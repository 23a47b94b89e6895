#include "support/tree_snapshot.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/sha256.h"

namespace marlinth::test {

namespace fs = std::filesystem;

TreeSnapshot snapshot_tree(const std::string& root) {
    TreeSnapshot out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), root).generic_string();
        if (it->is_directory()) {
            out[rel + "/"] = "";
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        out[rel] = sha256_hex(sha256(ss.str()));
    }
    return out;
}

}  // namespace marlinth::test
