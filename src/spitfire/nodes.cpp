#include "spitfire/nodes.h"

#include <vector>

#include "core/config.h"
#include "core/files.h"
#include "app/prompts.h"
#include "core/strings.h"

namespace marlinth {

namespace {

std::vector<std::string> current_node_list(App& app) {
    NodeTable table;
    int k = split_node_lines(bounded(app.view.text(ControlId::NodeList), kMaxNodeListText + 1), table);
    return std::vector<std::string>(table.dir.begin() + 1, table.dir.begin() + 1 + k);
}

std::string join_lines(const std::vector<std::string>& paths) {
    std::string text;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i) text += "\r\n";
        text += paths[i];
    }
    return bounded(text, kMaxNodeListText);
}

bool listed(const std::vector<std::string>& paths, const std::string& path) {
    for (const std::string& p : paths)
        if (equals_nocase(p, path)) return true;
    return false;
}

}  // namespace

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

void choose_node1(App& app) {
    const std::vector<std::string> listed_now = current_node_list(app);
    std::string chosen = listed_now.empty() ? std::string() : listed_now.front();
    if (!app.view.pick_folder("Select the primary/master Spitfire directory (Node 1)", chosen)) return;
    chosen = bounded(chosen, kMaxPath);
    std::vector<std::string> paths = current_node_list(app);
    if (paths.empty())
        paths.push_back(chosen);
    else
        paths[0] = chosen;
    app.view.set_text(ControlId::NodeList, join_lines(paths));
    if (trimmed(app.view.text(ControlId::MessageDir)).empty()) {
        std::string message;
        if (join_path(message, kPathCapacity, chosen, "MESSAGE")) app.view.set_text(ControlId::MessageDir, message);
    }
    status_and_log(app, "Primary Spitfire directory selected.");
}

void add_node(App& app) {
    // Beside the last node listed, where the next one most likely is.
    const std::vector<std::string> listed_now = current_node_list(app);
    std::string chosen = listed_now.empty() ? std::string() : parent_of(listed_now.back());
    if (!app.view.pick_folder("Select another Spitfire node directory", chosen)) return;
    chosen = bounded(chosen, kMaxPath);
    std::vector<std::string> paths = current_node_list(app);
    if (listed(paths, chosen)) {
        warning_box(app, "That node path is already listed.");
        return;
    }
    if (paths.size() >= kMaxNodes) {
        error_box(app, "The maximum is 32 nodes.");
        return;
    }
    paths.push_back(chosen);
    app.view.set_text(ControlId::NodeList, join_lines(paths));
    app.view.set_text(ControlId::NodeCount, dec(paths.size()));
    status_and_log(app, "Node directory added.");
}

void discover_nodes(App& app) {
    std::vector<std::string> paths = current_node_list(app);
    if (paths.empty()) {
        warning_box(app, "Configure Node 1 before discovery.");
        return;
    }
    size_t added = 0;
    for (int i = 2; i <= kMaxNodes && paths.size() < kMaxNodes; ++i) {
        for (const std::string& candidate : node_candidates(paths[0], i)) {
            if (candidate.empty() || !is_directory(app.platform, candidate) || listed(paths, candidate)) continue;
            paths.push_back(candidate);
            ++added;
            break;
        }
    }
    app.view.set_text(ControlId::NodeList, join_lines(paths));
    app.view.set_text(ControlId::NodeCount, dec(paths.size()));
    if (added == 0)
        info_box(app, "No additional common node-directory patterns were found. Paths can still be entered manually.");
    else
        status_and_log(app, "Possible node directories discovered; review and approve each path.");
}

int wizard_scan_nodes(App& app, int count, const std::string& node1) {
    std::vector<std::string> paths{node1};
    for (int i = 2; i <= count && i <= kMaxNodes; ++i) {
        for (const std::string& candidate : node_candidates(node1, i)) {
            if (candidate.empty() || !is_directory(app.platform, candidate)) continue;
            paths.push_back(candidate);
            break;
        }
    }
    const std::string text = join_lines(paths);
    app.view.set_text(ControlId::WizardNodeList, text);
    app.view.set_text(ControlId::NodeList, text);
    const int found = static_cast<int>(paths.size());
    if (found < count)
        info_box(app, "The scan found " + dec(static_cast<uint64_t>(found)) + " of " + dec(static_cast<uint64_t>(count)) +
                          " configured nodes. Add the missing paths on the next screen.");
    return found;
}

}  // namespace marlinth
