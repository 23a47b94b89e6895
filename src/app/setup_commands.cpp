#include "app/setup_commands.h"

#include "app/prompts.h"
#include "core/files.h"
#include "core/strings.h"
#include "spitfire/nodes.h"

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

void load_configuration(App& app) {
    app.scratch->reset();
    ByteBuffer data;
    if (!read_file_capped(app.platform, app.files.config_path, data, kMaxConfigBytes, app.scratch.get())) return;
    app.setup = parse_configuration(data.view());
}

bool save_configuration(App& app) {
    if (!validate_setup(app, true)) return false;
    // A node list typed by hand is known for certain only now, not at every keystroke.
    offer_default_backup_root(app, app.setup.nodes.dir[1]);
    app.setup.backup_root = trimmed(bounded(app.view.text(ControlId::BackupRoot), kMaxPath));
    app.scratch->reset();
    app.scratch->append(configuration_text(app.setup));
    // Through a flushed temporary file and a rename: a crash leaves the old file or the new one.
    const std::string_view text = app.scratch->view();
    if (!replace_file_atomic(app.platform, app.files.config_path, reinterpret_cast<const uint8_t*>(text.data()),
                             static_cast<uint32_t>(text.size()), nullptr)) {
        error_box(app, "Could not write Marlinth.cfg beside the executable.");
        return false;
    }
    status_and_log(app, "Settings saved.");
    return true;
}

bool validate_setup(App& app, bool interactive) {
    auto fail = [&](const char* message) {
        if (interactive) error_box(app, message);
        return false;
    };
    SetupState& setup = app.setup;

    const std::string count_field = bounded(app.view.text(ControlId::NodeCount), 15);
    size_t digits = 0;
    uint64_t count = read_decimal(skip_blanks(count_field), &digits);
    setup.nodes.count = digits == 0 ? 0 : static_cast<int32_t>(count > 0x7FFFFFFF ? 0x7FFFFFFF : count);
    if (setup.nodes.count < 1 || setup.nodes.count > kMaxNodes) return fail("Node count must be from 1 through 32.");

    const std::string list = bounded(app.view.text(ControlId::NodeList), 8192);
    bool overlong = false;
    const int nonblank = count_node_lines(list, overlong);
    if (overlong) return fail("A node-directory line is longer than 259 characters.");
    int lines = split_node_lines(list, setup.nodes);
    if (lines != setup.nodes.count || nonblank != lines)
        return fail("The number of nonblank node-directory lines must match Node count.");

    setup.message_dir = trimmed(bounded(app.view.text(ControlId::MessageDir), kMaxPath));
    if (setup.message_dir.empty()) return fail("A shared MESSAGE directory is required.");

    setup.use_quarro = app.view.checked(ControlId::UseQuarro);
    setup.quarro_cfg_path = trimmed(bounded(app.view.text(ControlId::QuarroCfgPath), kMaxPath));
    if (setup.use_quarro && setup.quarro_cfg_path.empty())
        return fail("QUARRO32 is enabled, but no QUARRO32.CFG path is configured.");

    // On a double-byte code page (Japanese, Chinese, Korean Windows) a character may end in the
    // byte of a backslash; such a path would be cut there, so it is refused rather than misread.
    std::vector<std::string> paths(setup.nodes.dir.begin() + 1, setup.nodes.dir.begin() + 1 + setup.nodes.count);
    paths.push_back(setup.message_dir);
    paths.push_back(setup.quarro_cfg_path);
    paths.push_back(trimmed(bounded(app.view.text(ControlId::BackupRoot), kMaxPath)));
    for (const std::string& path : paths) {
        if (!has_two_byte_separator(app.platform, path)) continue;
        const std::string message = "A path holds a double-byte character whose second byte is a backslash, which "
                                    "Marlinth cannot tell from a folder separator. Choose a folder whose name avoids "
                                    "that character: " + path;
        return fail(message.c_str());
    }
    return true;
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
    offer_default_backup_root(app, paths.front());
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
    offer_default_backup_root(app, paths.front());
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
    offer_default_backup_root(app, paths.front());
    if (added == 0)
        info_box(app, "No additional common node-directory patterns were found. Paths can still be entered manually.");
    else
        status_and_log(app, "Possible node directories discovered; review and approve each path.");
}

void offer_default_backup_root(App& app, const std::string& node1) {
    // The wizard's field is filled anew when a wizard starts: outside one it holds nobody's choice.
    if (!trim_view(app.view.text(ControlId::BackupRoot)).empty() ||
        (app.ui.wizard_active && !trim_view(app.view.text(ControlId::WizardBackupRoot)).empty()))
        return;
    SetupState derived;
    derived.nodes.dir[1] = trimmed(node1);
    apply_default_backup_root(derived);
    if (derived.backup_root.empty()) return;
    app.setup.backup_root = derived.backup_root;
    // An empty root let no preflight pass and no full backup count: nothing becomes stale.
    ++app.notifications_held;
    app.view.set_text(ControlId::BackupRoot, derived.backup_root);
    app.view.set_text(ControlId::WizardBackupRoot, derived.backup_root);
    --app.notifications_held;
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
