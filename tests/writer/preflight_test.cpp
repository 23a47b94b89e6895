// The writer preflight: every check runs and writes its line; the verdict is their conjunction.
// The report of a clean pass is pinned by tests/scripts/writer_road.expected, one report for each
// refusal rule by tests/scripts/writer_preflight.expected.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "app/preflight_commands.h"
#include "core/files.h"
#include "tosser/parser.h"
#include "golden_text.h"
#include "support/planned_session.h"

namespace marlinth {
namespace {

std::string sep(const std::string& a, const std::string& b) { return a + kPathSeparator + b; }

// A session with a current dry-run plan.
struct Planned : test::PlannedSession {
    App& app = PlannedSession::app();
    HeadlessView& v = view();
    std::shared_ptr<void> held;  // a file handle kept open while the preflight runs
    std::string cfg;             // the tosser configuration written, if any

    explicit Planned(const test::InstallationSpec& wanted = test::InstallationSpec()) : PlannedSession(wanted) {
        v.click(ControlId::GeneratePlan);
        if (!app.flags.plan_current) throw std::runtime_error("fixture plan failed");
    }
    std::string run() {
        v.clear_boxes();
        v.click(ControlId::RunPreflight);
        return app.writer->str();
    }
    std::string whoson() { return sep(sep(inst.nodes[0], "WORK"), "SFWHOSON.DAT"); }
    std::string node_file(int i) { return sep(inst.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    // A tosser configuration whose work directory holds its own one-record SFWHOSON.DAT.
    std::string quarro(bool use) {
        const std::string w = sep(dir.path(), "QWORK");
        cfg = sep(dir.path(), "QUARRO32.CFG");
        fb.write_text(cfg, "CONFDIR " + inst.nodes[0] + "\r\nMSGDIR " + inst.message_dir + "\r\nWORKDIR " + w +
                               "\r\nKEEPPROCESSED Y\r\nPROCESSEDDIR " + w + "\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR " + w + "\r\n");
        fb.write_whoson(sep(w, "SFWHOSON.DAT"), {-1});
        v.set_enabled(ControlId::QuarroCfgPath, true);
        v.type(ControlId::QuarroCfgPath, cfg);
        v.set_checked(ControlId::UseQuarro, use);
        v.click(ControlId::GeneratePlan);
        return cfg;
    }
};

// One case per rule, each alone in a fresh installation. The clean run's report, box and status
// are pinned whole in tests/scripts/writer_preflight.expected, each case by the lines it changes
// against the closest case before it, paths shown from [tmp] with "/".
TEST(Preflight, EveryCheckWritesItsLineAndAnyErrorBlocks) {
    using Arrange = std::function<void(Planned&)>;
    const auto root = [](std::function<std::string(Planned&)> path) {
        return [=](Planned& s) { s.v.type(ControlId::BackupRoot, path(s)); };
    };
    const std::vector<std::pair<const char*, Arrange>> cases = {
        {"clean", [](Planned&) {}},
        // UserNo -1 is a free node, 0 a caller (the sysop) as much as 5 is.
        {"occupied nodes", [](Planned& s) { s.fb.write_whoson(s.whoson(), {-1, 5, 0}, 0x1A); }},
        {"node status file of a bad size", [](Planned& s) { s.fb.write_file(s.whoson(), std::vector<uint8_t>(7, 0xFF)); }},
        {"node status file missing", [](Planned& s) { s.fb.remove_file(s.whoson()); }},
        // The tosser's work directory counts only when the tosser is in use.
        {"tosser configured, not used", [](Planned& s) { s.quarro(false); }},
        {"tosser used", [](Planned& s) { s.quarro(true); }},
        {"tosser configuration broken", [](Planned& s) { s.fb.write_text(s.quarro(true), "CONFDIR\r\n"); }},
        {"mailer running", [](Planned& s) { s.fp.set_processes({"rexw.exe"}); }},
        // An unreadable process list is indistinguishable from nothing running: it passes.
        {"process list unreadable", [](Planned& s) { s.fp.set_process_list_fails(); }},
        {"busy flag file", [](Planned& s) { s.fb.write_text(sep(s.inst.message_dir, "QUARRO.BSY"), ""); }},
        {".NA changed", [](Planned& s) { s.fb.write_text(s.na_path, "ALPHA Alphb\r\nBETA Beta\r\nGAMMA Gamma\r\n"); }},
        {".NA fingerprint unavailable", [](Planned& s) { s.app.flags.na_loaded = false; }},
        {"node file differs", [](Planned& s) {
             auto bytes = s.fb.read_file(s.node_file(2));
             bytes.resize(bytes.size() + 128);
             s.fb.write_file(s.node_file(2), bytes);
         }},
        {"node file locked", [](Planned& s) {
             s.held = std::make_shared<ScopedHandle>(*s.native, s.native->open(s.node_file(3), OpenMode::ReadWriteExclusive));
         }},
        {"message file of a future conference", [](Planned& s) { s.fb.write_text(sep(s.inst.message_dir, "SFMSG08.IDX"), ""); }},
        {"broken message base", [](Planned& s) {
             test::MessageBaseSpec orphan;
             orphan.shape = test::ThreadShape::OrphanReply;
             s.fb.make_message_base(s.inst.message_dir, 3, orphan);
         }},
        // A base that cannot be read is an error, not a finding: it blocks like one.
        {"last message base unreadable", [](Planned& s) { s.fp.fail_path(test::Op::Read, "SFMSG06.IDX"); }},
        {"no root", root([](Planned&) { return ""; })},
        {"root is node 2", root([](Planned& s) { return s.inst.nodes[1]; })},
        {"root holds node 1", root([](Planned& s) { return s.inst.root; })},
        {"root in the program's", root([](Planned& s) { return sep(s.app.files.program_dir, "B"); })},
        {"root cannot be made", root([](Planned& s) { return sep(sep(s.dir.path(), "missing"), "deeper"); })},
        {"root fails its write probe", [](Planned& s) {
             s.v.type(ControlId::BackupRoot, sep(s.dir.path(), "NEWROOT"));
             s.fp.fail_path(test::Op::Flush, "Marlinth-write-test.tmp");
         }},
        {"changed behind the plan's back", [](Planned& s) { s.app.preview.areas[0].proposed_name = "Net: Renamed"; }},
        {"no current plan", [](Planned& s) { s.v.type(ControlId::ConferenceSecurity, "20"); }},
    };
    test::ChangedCases all;
    for (const auto& [what, arrange] : cases) {
        SCOPED_TRACE(what);
        Planned s;
        arrange(s);
        const std::string r = s.run();
        EXPECT_EQ(s.app.flags.preflight_passed, r.find("\r\nPREFLIGHT RESULT: PASS\r\n") != std::string::npos);
        EXPECT_FALSE(s.fb.exists(sep(s.v.text(ControlId::BackupRoot), "Marlinth-write-test.tmp")));
        std::string shown = test::plain_lines(r);
        if (!s.cfg.empty()) {  // a quoted parser report is the parser's own, whose texts the tosser goldens pin
            TosserConfig config;
            auto parser = TextBuffer::create();
            parse_tosser_config(*s.native, s.cfg, config, parser.get(), nullptr);
            const std::string quoted = test::plain_lines(parser->str());
            if (shown.find(quoted) != std::string::npos) shown.replace(shown.find(quoted), quoted.size(), "[the parser's report]\n");
        }
        for (const RecordedBox& box : s.v.boxes()) shown += box_line(box.icon, box.text) + "\n";
        shown = test::tmp_paths(shown + "writer: " + s.v.status(StatusLine::Writer) + "\n", s.dir.path());
        all.add(what, shown);
    }
    EXPECT_EQ(all.all, test::golden("writer_preflight.expected", all.all, {}));
}

// The new total may reach Spitfire's 784 conferences, not pass it (the plan adds two).
TEST(Preflight, TheNewTotalMayReach784ConferencesButNotPassIt) {
    for (uint32_t existing : {782u, 783u}) {
        test::InstallationSpec installation;
        installation.conferences = test::echo_conferences(existing);
        installation.message_base.messages = 0;  // empty bases: quicker to make and to scan
        Planned s(installation);
        const std::string r = s.run();
        const std::string total = std::to_string(existing) + " + 2";
        EXPECT_EQ(r.find("PASS: Append count is within limit: " + total + " <= 784.") != std::string::npos, existing == 782);
        EXPECT_EQ(r.find("ERROR: Append plan exceeds 784 conferences.") != std::string::npos, existing == 783);
    }
}

// Every path the commit will form must fit: the transaction directory with its longest name and
// the files in it, and each node file with its staging suffix. At the limit the preflight passes.
// Walked by tests/scripts/writer_path_limits.script: its first part for the backup root rows, its
// second for the node rows; each row is pinned by the lines it changes against the clean run,
// which writer_preflight.expected pins whole.
TEST(Preflight, EveryPathTheCommitWillFormMustFit) {
    const auto of_length = [](const std::string& base, size_t length) { return sep(base, std::string(length - base.size() - 1, 'P')); };
    // Root + MARLINTH_20261231_235959-99 + Node01-SFMCONF.DAT makes 259, then 260 characters;
    // node 3's SFMCONF.DAT path is 251, 252 and 261 characters long.
    const std::pair<size_t, size_t> rows[] = {{212, 0}, {213, 0}, {0, 239}, {0, 240}, {0, 249}};
    const std::vector<std::string> parts = test::script_parts(test::load_script("writer_path_limits.script"));
    test::ChangedCases all;
    Planned clean;
    all.pinned_elsewhere("clean", test::Screen(clean.app, clean.v).play(parts[0], {{"ROOT", clean.inst.backup_root}}).shown(clean.dir.path()));
    for (size_t i = 0; i < 5; ++i) {
        Planned s;
        const std::string node3 = rows[i].second ? of_length(s.dir.path(), rows[i].second) : s.inst.nodes[2];
        const test::ScriptVars long_paths = {{"FILE3", sep(node3, "SFMCONF.DAT")}, {"NODE3", node3},
                                             {"ROOT", rows[i].first ? of_length(s.dir.path(), rows[i].first) : ""}};
        test::ScriptVars vars = {{"NODE1", s.inst.nodes[0]}, {"NODE2", s.inst.nodes[1]}};
        vars.insert(long_paths.begin(), long_paths.end());
        all.add("row " + std::to_string(i + 1), test::Screen(s.app, s.v).play(parts[i < 2 ? 0 : 1], vars).shown(s.dir.path(), long_paths));
    }
    EXPECT_EQ(all.all, test::golden("writer_path_limits.expected", all.all, {}));
}

#ifndef _WIN32
// The backup root reached through another name of a folder it must stay apart from (a link here;
// a SUBST drive, an 8.3 name or a UNC name on Windows): refused for every node, the last one too,
// for MESSAGE and for the program directory, by what the folder is. A link to a folder of no
// concern is accepted.
TEST(Preflight, ABackupRootReachedThroughAnotherNameIsNotSeparate) {
    using Target = std::function<std::string(Planned&)>;
    const auto node = [](size_t i) -> Target { return [i](Planned& s) { return s.inst.nodes[i]; }; };
    const std::string separate = "ERROR: Backup root must be separate from ";
    const struct { const char* what; Target target; bool inside; std::string error; } rows[] = {
        {"node 1", node(0), true, separate + "Node 1 "},
        {"node 2", node(1), true, separate + "Node 2 "},
        {"node 3", node(2), true, separate + "Node 3 "},
        // The other way round: the root is another name of the folder that holds every node.
        {"the nodes' folder", [](Planned& s) { return parent_of(s.inst.nodes[0]); }, false, separate + "Node 1 "},
        {"MESSAGE", [](Planned& s) { return s.inst.message_dir; }, true, separate + "the shared MESSAGE directory."},
        {"the program's", [](Planned& s) { return s.app.files.program_dir; }, true, separate + "the Marlinth program directory."},
        {"a folder of no concern", [](Planned& s) { s.fb.make_dir(sep(s.dir.path(), "OTHER")); return sep(s.dir.path(), "OTHER"); }, true, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Planned s;
        const std::string alias = sep(s.dir.path(), "ALIAS");
        std::filesystem::create_directory_symlink(row.target(s), alias);
        s.v.type(ControlId::BackupRoot, row.inside ? sep(alias, "BACKUPS") : alias);
        const std::string w = s.run();
        EXPECT_EQ(s.app.flags.preflight_passed, row.error.empty()) << w;
        EXPECT_NE(w.find(row.error.empty() ? "PREFLIGHT RESULT: PASS" : row.error), std::string::npos) << w;
    }
}
#endif

}  // namespace
}  // namespace marlinth
