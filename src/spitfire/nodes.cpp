#include "spitfire/nodes.h"

#include <vector>

#include "core/strings.h"

namespace marlinth {

std::vector<std::string> node_candidates(const std::string& typed_node1, int i) {
    // C:\BBS\SF\ is the folder C:\BBS\SF: its siblings are looked for beside it, not inside it.
    const std::string node1 = without_trailing_separators(typed_node1);
    const std::string parent = parent_of(node1);
    const std::string n = dec(static_cast<uint64_t>(i));
    std::vector<std::string> out(3);
    if (!join_path(out[0], kPathCapacity, parent, "SF" + n)) out[0].clear();
    if (!join_path(out[1], kPathCapacity, parent, "NODE" + n)) out[1].clear();
    if (!join_path(out[2], kPathCapacity, node1, "NODE" + n)) out[2].clear();
    return out;
}

}  // namespace marlinth
