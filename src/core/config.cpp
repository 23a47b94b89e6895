#include "core/config.h"

#include "core/line_reader.h"
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

SetupState parse_configuration(std::string_view bytes) {
    SetupState setup;
    // A file saved by an editor that marks UTF-8 starts with a byte-order mark; it is no part of the first key.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    LineReader lines(bytes, 511, LineReader::LongLines::SplitRemainder);
    TextLine line;
    while (lines.next(line)) {
        std::string text = trimmed(line.text);
        if (text.empty() || text[0] == ';') continue;
        size_t eq = text.find('=');
        std::string key = bounded(std::string_view(text).substr(0, eq), 63);
        std::string value = eq == std::string::npos ? std::string() : bounded(std::string_view(text).substr(eq + 1), 447);
        key = to_upper_ascii(trimmed(key));
        trim_text(value);
        apply_setting(setup, key, value);
    }
    return setup;
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
