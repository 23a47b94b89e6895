#include "app/setup_commands.h"

#include "app/prompts.h"
#include "core/files.h"
#include "core/strings.h"

namespace marlinth {

void load_configuration(App& app) {
    app.scratch->reset();
    ByteBuffer data;
    if (!read_file_capped(app.platform, app.files.config_path, data, kMaxConfigBytes, app.scratch.get())) return;
    app.setup = parse_configuration(data.view());
}

bool save_configuration(App& app) {
    if (!validate_setup(app, true)) return false;
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
    return true;
}

}  // namespace marlinth
