// A headless session standing where a sysop stands after a clean inspection and an .NA load:
// a generated installation, its setup typed in, the baseline read from Node 1, the template
// chosen, and a list of imported areas with their verdicts.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/settings_commands.h"
#include "app/setup_commands.h"
#include "core/files.h"
#include "core/retrying_platform.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_session.h"

namespace marlinth::test {

struct AreaSpec {
    std::string tag;
    std::string name;
    bool blocked = false;
    bool needs_review = false;
};

class PlannedSession {
public:
    explicit PlannedSession(const InstallationSpec& wanted = InstallationSpec(),
                            const std::vector<AreaSpec>& areas = {{"ALPHA", "Net: Alpha"}, {"BETA", "Net: Beta", false, true},
                                                                  {"GAMMA", "Net: Gamma"}})
        : fb(*native), inst(build_installation(*native, dir / "BBS", wanted)), na_path(dir / "NA/NET.NA") {
        fp.set_time({2026, 12, 5, 10, 30, 0});
        fp.set_processes({});
        fb.write_text(na_path, "ALPHA Alpha\r\nBETA Beta\r\nGAMMA Gamma\r\n");
        fb.make_dir(dir / "app");
        session = std::make_unique<HeadlessSession>(retrying, dir / "app");
        HeadlessView& v = view();
        v.type(ControlId::NodeCount, std::to_string(inst.nodes.size()));
        std::string list;
        for (size_t i = 0; i < inst.nodes.size(); ++i) list += (i ? "\r\n" : "") + inst.nodes[i];
        v.type(ControlId::NodeList, list);
        v.type(ControlId::MessageDir, inst.message_dir);
        v.type(ControlId::BackupRoot, inst.backup_root);
        validate_setup(app(), false);
        app().setup.backup_root = inst.backup_root;
        // The real read-only inspection: the baseline, the conference lists and the template.
        v.click(ControlId::RunInspection);
        if (!app().flags.inspection_passed) throw std::runtime_error("fixture inspection failed:\n" + app().report->str());
        v.clear_boxes();
        set_areas(areas);
    }

    App& app() { return session->app(); }
    HeadlessView& view() { return session->view(); }

    void set_areas(const std::vector<AreaSpec>& areas) {
        App& a = app();
        a.preview.clear();
        uint32_t line = 1;
        for (const AreaSpec& wanted : areas) {
            ImportedArea& area = a.preview.areas.emplace_back();
            area.line_number = line++;
            area.echo_tag = wanted.tag;
            area.proposed_name = area.imported_description = area.cleaned_description = wanted.name;
            area.blocked = wanted.blocked;
            area.needs_review = wanted.needs_review;
            area.status_text = wanted.blocked ? "ERROR: echo tag already exists" : wanted.needs_review ? "SHORTENED - review name" : "READY";
        }
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
    // The program retries what another program holds for a moment, as the shipped build does.
    RetryingPlatform retrying{fp};
    TempDir dir;
    FixtureBuilder fb;
    Installation inst;
    std::string na_path;
    std::unique_ptr<HeadlessSession> session;
};

}  // namespace marlinth::test
