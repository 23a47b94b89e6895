#include "core/config.h"

#include "core/files.h"
#include "core/line_reader.h"
#include "core/prompts.h"
#include "core/strings.h"

namespace marlinth {

namespace {

void apply_setting(SetupState& setup, const std::string& key, const std::string& value) {
    if (key == "NODECOUNT") {
        std::string_view v = skip_blanks(value);
        size_t digits = 0;
        uint64_t n = read_decimal(v, &digits);
        if (digits > 0 && n >= 1 && n <= kMaxNodes) setup.nodes.count = static_cast<int32_t>(n);
    } else if (starts_with_nocase(key, "NODE")) {
        std::string_view v = skip_blanks(std::string_view(key).substr(4));
        size_t digits = 0;
        uint64_t n = read_decimal(v, &digits);
        if (digits > 0 && n >= 1 && n <= kMaxNodes) setup.nodes.dir[n] = without_trailing_separators(bounded(value, kMaxPath));
    } else if (key == "MSGDIR") {
        setup.message_dir = bounded(value, kMaxPath);
    } else if (key == "QUARROCFG") {
        setup.quarro_cfg_path = bounded(value, kMaxPath);
    } else if (key == "REPORTDIR") {
        setup.report_dir = bounded(value, kMaxPath);
    } else if (key == "BACKUPROOT") {
        setup.backup_root = bounded(value, kMaxPath);
    } else if (key == "USEQUARRO") {
        setup.use_quarro = !value.empty() && (value[0] == '1' || value[0] == 'Y' || value[0] == 'y');
    }
}

}  // namespace

void parse_configuration(std::string_view text, SetupState& out) {
    SetupState setup;
    // A file saved by an editor that marks UTF-8 starts with a byte-order mark; it is no part of the first key.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    LineReader lines(text, 511, LineReader::LongLines::SplitRemainder);
    TextLine line;
    while (lines.next(line)) {
        std::string entry = trimmed(line.text);
        if (entry.empty() || entry[0] == ';') continue;
        size_t eq = entry.find('=');
        std::string key = bounded(std::string_view(entry).substr(0, eq), 63);
        std::string value = eq == std::string::npos ? std::string() : bounded(std::string_view(entry).substr(eq + 1), 447);
        key = to_upper_ascii(trimmed(key));
        trim_text(value);
        apply_setting(setup, key, value);
    }
    out = setup;
}

void load_configuration(App& app) {
    app.scratch->reset();
    ByteBuffer data;
    if (!read_file_capped(app.platform, app.files.config_path, data, kMaxConfigBytes, app.scratch.get())) return;
    parse_configuration(data.view(), app.setup);
}

void apply_default_backup_root(SetupState& setup) {
    if (!setup.backup_root.empty() || setup.nodes.dir[1].empty()) return;
    std::string parent = parent_of(setup.nodes.dir[1]);
    if (parent.empty()) return;
    std::string root;
    if (join_path(root, kPathCapacity, parent, "SF_BACKUPS")) setup.backup_root = root;
}

std::string configuration_text(const SetupState& setup) {
    std::string out;
    out += "; Marlinth portable configuration\r\n";
    out += "VERSION=2\r\n";
    out += "NODECOUNT=" + sdec(setup.nodes.count) + "\r\n";
    for (int i = 1; i <= setup.nodes.count && i <= kMaxNodes; ++i)
        out += "NODE" + dec(static_cast<uint64_t>(i)) + "=" + setup.nodes.dir[i] + "\r\n";
    out += "MSGDIR=" + setup.message_dir + "\r\n";
    out += std::string("USEQUARRO=") + (setup.use_quarro ? "1" : "0") + "\r\n";
    out += "QUARROCFG=" + setup.quarro_cfg_path + "\r\n";
    out += "REPORTDIR=" + setup.report_dir + "\r\n";
    out += "BACKUPROOT=" + setup.backup_root + "\r\n";
    return out;
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

// Every nonblank line of the node-directory text, without the cap of 32, so that a 33rd line is
// seen; `overlong` tells of a line the split would cut in two.
int count_node_lines(std::string_view text, bool& overlong) {
    LineReader lines(text, kMaxPath, LineReader::LongLines::SkipRest);
    TextLine line;
    int count = 0;
    overlong = false;
    while (lines.next(line)) {
        if (line.overlong) overlong = true;
        else if (trim_view(line.text).empty()) continue;
        ++count;
    }
    return count;
}

int split_node_lines(std::string_view text, NodeTable& table) {
    LineReader lines(text, kMaxPath, LineReader::LongLines::SplitRemainder);
    TextLine line;
    int filled = 0;
    while (filled < kMaxNodes && lines.next(line)) {
        std::string path = trimmed(line.text);
        if (path.empty()) continue;
        table.dir[++filled] = without_trailing_separators(path);
    }
    return filled;
}

std::string join_node_lines(const NodeTable& table, int count) {
    std::string text;
    for (int i = 1; i <= count && i <= kMaxNodes; ++i) {
        if (i > 1) text += "\r\n";
        text += table.dir[i];
    }
    return bounded(text, kMaxNodeListText);
}

}  // namespace marlinth
