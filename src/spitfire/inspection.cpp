#include "spitfire/inspection.h"

#include <cstring>

#include "core/sha256.h"
#include "core/strings.h"

namespace marlinth {

namespace {

constexpr const char* kConferenceFile = "SFMCONF.DAT";

void node_line(TextBuffer& report, int node, std::string_view rest) {
    report.append("Node ");
    report.append_uint(static_cast<uint32_t>(node));
    report.append_line(rest);
}

}  // namespace

bool read_node_file(Platform& platform, const std::string& node_dir, ByteBuffer& out, TextBuffer* failures) {
    std::string path;
    if (!join_path(path, kPathCapacity, node_dir, kConferenceFile)) return false;  // reported as missing before
    return read_file_capped(platform, path, out, kMaxConferenceFileSize, failures);
}

bool validate_paths(Platform& platform, const SetupState& setup, TextBuffer& report) {
    bool ok = true;
    for (int i = 1; i <= setup.nodes.count; ++i) {
        const std::string& dir = setup.nodes.dir[static_cast<size_t>(i)];
        node_line(report, i, ": " + dir);
        if (!is_directory(platform, dir)) {
            report.append_line("  ERROR: directory is inaccessible.");
            ok = false;
            continue;
        }
        for (const char* name : {kConferenceFile, "SPITFIRE.EXE", "SPITFIRE.OVR"}) {
            std::string path;
            if (join_path(path, kPathCapacity, dir, name) && is_file(platform, path)) continue;
            report.append_line(std::string("  ERROR: ") + name + " is missing.");
            ok = false;
        }
    }
    if (!is_directory(platform, setup.message_dir)) {
        report.append_line("ERROR: Shared MESSAGE directory is inaccessible.");
        ok = false;
    }
    return ok;
}

bool compare_nodes(Platform& platform, const SetupState& setup, const ByteBuffer& base, const std::string& baseline_digest,
                   TextBuffer& report) {
    bool all_match = true;
    report.append_line("Node 1 is the canonical/master copy for comparison.");
    report.append_line("Node 1: MASTER");
    for (int i = 2; i <= setup.nodes.count; ++i) {
        ByteBuffer copy;
        if (!read_node_file(platform, setup.nodes.dir[static_cast<size_t>(i)], copy, nullptr)) {
            node_line(report, i, ": ERROR reading SFMCONF.DAT");
            all_match = false;
            continue;
        }
        if (copy.size() == base.size() && std::memcmp(copy.data(), base.data(), base.size()) == 0) {
            node_line(report, i, ": MATCH (size, bytes, SHA-256)");
            continue;
        }
        node_line(report, i, ": ERROR - differs from Node 1");
        report.append_line("  Node 1 hash: " + baseline_digest);
        report.append_line("  This node:   " + sha256_hex(copy.data(), copy.size()));
        all_match = false;
    }
    return all_match;
}

void append_conference_records(TextBuffer& report, const std::vector<ConferenceView>& views) {
    for (const ConferenceView& v : views) {
        report.append("#");
        report.append_uint(v.number);
        report.append(" \"");
        report.append(v.name);
        report.append("\"  NetID=");
        report.append(v.net_id);
        report.append("  Access=");
        report.append_int(v.conference_security);
        report.append("  Entry=");
        report.append_int(v.message_entry_security);
        report.append("  NetMail=");
        report.append_uint(v.netmail);
        report.append("  Route=");
        report.append_uint(v.allow_routing);
        report.append_line();
    }
}

bool is_process_running(Platform& platform, const std::string& name) {
    std::vector<std::string> names;
    if (!platform.process_names(names)) return false;
    for (const std::string& n : names)
        if (equals_nocase(n, name)) return true;
    return false;
}

void choose_template_candidates(const std::vector<ConferenceView>& views, std::vector<TemplateCandidate>& candidates,
                                int& preselected) {
    candidates.clear();
    preselected = -1;
    auto offer = [&](size_t i) {
        candidates.push_back({static_cast<int>(i), "#" + dec(views[i].number) + " - " + views[i].name});
    };
    for (size_t i = 0; i < views.size(); ++i)
        if (views[i].allow_routing != 0 && !views[i].net_id.empty()) offer(i);
    if (candidates.empty())
        for (size_t i = 0; i < views.size(); ++i) offer(i);
    const int common = most_common_echo_like(views);
    for (size_t pos = 0; pos < candidates.size(); ++pos)
        if (candidates[pos].index == common) preselected = static_cast<int>(pos);
}

}  // namespace marlinth
