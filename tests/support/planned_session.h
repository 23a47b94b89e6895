// A headless session standing where a sysop stands after a clean inspection and an .NA load:
// a generated installation, its setup typed in, the baseline read from Node 1, the template
// chosen, and a list of imported areas with their verdicts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/files.h"
#include "core/strings.h"
#include "settings/settings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth::test {

struct AreaSpec {
    std::string tag;
    std::string name;
    bool blocked = false;
    bool needs_review = false;
};

inline ImportedArea make_area(const AreaSpec& spec, uint32_t line) {
    ImportedArea a;
    a.line_number = line;
    a.echo_tag = spec.tag;
    a.proposed_name = spec.name;
    a.imported_description = spec.name;
    a.cleaned_description = spec.name;
    a.blocked = spec.blocked;
    a.needs_review = spec.needs_review;
    a.status_text = spec.blocked ? "ERROR: echo tag already exists" : spec.needs_review ? "SHORTENED - review name" : "READY";
    return a;
}

class PlannedSession {
public:
    explicit PlannedSession(const InstallationSpec& spec = InstallationSpec(),
                            const std::vector<AreaSpec>& areas = {{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true},
                                                                  {"GAMMA", "Net: Gamma"}})
        : fb(*native) {
        LocalTime t;
        t.year = 2026, t.month = 12, t.day = 5, t.hour = 10, t.minute = 30, t.second = 0;
        fp.set_time(t);
        fp.set_processes({});
        inst = build_installation(*native, dir / "BBS", spec);
        na_path = dir / "NA/NET.NA";
        fb.write_text(na_path, "ALPHA Alpha\r\nBETA Beta\r\nGAMMA Gamma\r\n");
        session = std::make_unique<HeadlessSession>(fp, dir / "app");
        type_setup();
        load_baseline();
        set_areas(areas);
    }

    App& app() { return session->app(); }
    HeadlessView& view() { return session->view(); }

    void type_setup() {
        HeadlessView& v = view();
        v.type(ControlId::NodeCount, std::to_string(inst.nodes.size()));
        std::string list;
        for (size_t i = 0; i < inst.nodes.size(); ++i) list += (i ? "\r\n" : "") + inst.nodes[i];
        v.type(ControlId::NodeList, list);
        v.type(ControlId::MessageDir, inst.message_dir);
        v.type(ControlId::BackupRoot, inst.backup_root);
        validate_setup(app(), false);
        app().setup.backup_root = inst.backup_root;
    }

    void load_baseline() {
        App& a = app();
        std::string path;
        join_path(path, 4096, inst.nodes[0], "SFMCONF.DAT");
        read_file_capped(*native, path, a.baseline.bytes, kMaxConferenceFileSize, nullptr);
        decode_conference_file(a.baseline.bytes.data(), a.baseline.bytes.size(), a.baseline.conferences, nullptr);
        a.baseline.template_candidates.clear();
        for (const ConferenceView& v : a.baseline.conferences)
            a.baseline.template_candidates.push_back({static_cast<int>(v.number - 1), "#" + dec(v.number) + " - " + v.name});
        a.baseline.preselected_candidate = 0;
        refresh_template_candidates(a);
        a.flags.inspection_passed = true;
    }

    void set_areas(const std::vector<AreaSpec>& areas) {
        App& a = app();
        a.preview.clear();
        uint32_t line = 1;
        for (const AreaSpec& s : areas) a.preview.areas.push_back(make_area(s, line++));
        a.preview.recount();
        a.preview.network_name = "Net";
        a.import.na_path = na_path;
        auto bytes = fb.read_file(na_path);
        a.import.fingerprint.size = static_cast<uint32_t>(bytes.size());
        a.import.fingerprint.digest = sha256(bytes.data(), bytes.size());
        a.flags.na_loaded = true;
    }

    std::unique_ptr<Platform> native = make_native_platform();
    FaultPlatform fp{*native};
    TempDir dir;
    FixtureBuilder fb;
    Installation inst;
    std::string na_path;
    std::unique_ptr<HeadlessSession> session;
};

}  // namespace marlinth::test
