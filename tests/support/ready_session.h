// A session where the sysop has generated the plan, passed the preflight and typed YES, with the
// checks every commit test makes of the nodes and the transaction directory; and the program
// started again on its installation.
#pragma once

#include <string>
#include <vector>

#include "app/writer_commands.h"
#include "writer/node_swap.h"
#include "support/planned_session.h"

namespace marlinth::test {

inline std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }
inline std::string text_of(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A session where the sysop has generated the plan, passed the preflight and typed YES.
struct Ready {
    explicit Ready(const InstallationSpec& wanted = InstallationSpec()) : p(wanted) {
        old_bytes = node_text(1);
        p.view().click(ControlId::GeneratePlan);
        p.view().click(ControlId::RunPreflight);
        if (!p.app().flags.preflight_passed) throw std::runtime_error("fixture preflight failed:\n" + p.app().writer->str());
        p.view().type(ControlId::Confirmation, "YES");
        p.view().clear_boxes();
    }
    std::string node_file(int i) { return sep(p.inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    std::string node_text(int i) { return text_of(p.fb.read_file(node_file(i))); }
    std::string dir(const std::string& suffix = "") { return sep(p.inst.backup_root, "MARLINTH_20261205_103000" + suffix); }
    bool has(const std::string& name) { return p.fb.exists(sep(dir(), name)); }
    std::string file(const std::string& name) { return text_of(p.fb.read_file(sep(dir(), name))); }
    TransactionOutcome commit() { return commit_transaction(p.app()); }
    // Every node holds its old bytes or the staged image, and every backup made holds the old
    // bytes. Returns how many nodes hold the staged image.
    int staged_nodes(const std::string& where, int nodes = 3) {
        const std::string staged = has("STAGED-SFMCONF.DAT") ? file("STAGED-SFMCONF.DAT") : "";
        int count = 0;
        for (int i = 1; i <= nodes; ++i) {
            const std::string now = node_text(i);
            if (now != old_bytes) { ++count; EXPECT_EQ(now, staged) << where << " node " << i; }
            if (has(node_backup_name(i))) { EXPECT_EQ(file(node_backup_name(i)), old_bytes) << where << " node " << i; }
        }
        return count;
    }

    PlannedSession p;
    std::string old_bytes;
};

// The program started again on a session's installation and program directory, retrying as the
// shipped build does; its recovery question will be answered Yes. Started by the caller, after
// any fault is set.
struct Restart {
    explicit Restart(Ready& r) : fp(*r.p.native), retrying(fp), session(retrying, r.p.dir / "app", false) {
        fp.set_time({2026, 12, 5, 11, 0, 0});
        fp.set_processes({});
        session.view().queue_answer(BoxAnswer::Yes);
    }
    FaultPlatform fp;
    RetryingPlatform retrying;
    HeadlessSession session;
};

}  // namespace marlinth::test
