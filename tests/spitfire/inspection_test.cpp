// The node directories an inspection starts from; the inspection walked through the program by
// scripts, with what their transcripts cannot show; then the SFMCONF.DAT records and the
// message-base files on their own: decoding, size rules, the thread checks.
#include "app/inspection_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "core/sha256.h"
#include "core/strings.h"
#include "core/version.h"
#include "fixture/installation.h"
#include "spitfire/message_base.h"
#include "spitfire/nodes.h"
#include "support/fault_platform.h"
#include "support/golden_diff.h"
#include "support/na_fixture.h"
#include "support/ready_session.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "ui/headless/headless_session.h"
#include "ui/headless/script_runner.h"

namespace marlinth {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

// Further nodes are looked for beside Node 1 (named SFn or NODEn) and inside it (NODEn); a
// trailing separator still names Node 1 itself, and a candidate too long for a path is left out.
TEST(NodeCandidates, BesideAndInsideNode1) {
    const std::string bbs = test::sep("", "BBS");
    EXPECT_EQ(node_candidates(test::sep(bbs, "SF") + kPathSeparator, 2),
              (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), test::sep(test::sep(bbs, "SF"), "NODE2")}));
    EXPECT_EQ(node_candidates(test::sep(bbs, std::string(249, 'd')), 2),
              (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), ""}));
}

// One walk's world: its own platform at a fixed time and an installation (SF, SF2 ...) in its own
// folder, the program beside it in "app".
struct World {
    explicit World(Platform& native) : fp(native) {}
    std::string conf(size_t node) const { return test::sep(inst.nodes[node - 1], "SFMCONF.DAT"); }
    std::string digest(size_t node) {
        const std::vector<uint8_t> bytes = fb.read_file(conf(node));
        return sha256_hex(bytes.data(), bytes.size());
    }
    std::string text_of(const std::string& path) { return test::text_of(fb.read_file(path)); }

    test::TempDir dir;
    test::FaultPlatform fp;
    test::FixtureBuilder fb{fp};
    test::Installation inst;
    test::ScriptVars vars;
};

// Every value of `vars` in `text` shown as [NAME], the longest first (a path inside another).
std::string hidden(std::string text, const ScriptVars& vars) {
    std::vector<std::pair<std::string, std::string>> by_length(vars.begin(), vars.end());
    std::sort(by_length.begin(), by_length.end(), [](auto& a, auto& b) { return a.second.size() > b.second.size(); });
    for (const auto& [name, value] : by_length) text = masked(text, value, "[" + name + "]");
    return text;
}

// The settings and plan status lines no walk here changes are left out of the transcript; any
// other text on those lines still shows.
std::string without_idle_status(std::string text) {
    const std::string idle = "\nsettings: Run inspection, load an .NA file, and review proposed names before generating a plan.\nplan: \n";
    for (size_t at; (at = text.find(idle)) != std::string::npos;) text.erase(at + 1, idle.size() - 1);
    return text;
}

// Plays a walk's script in a new session. `between` runs at each "#pause" with the number of the
// part before it (from 1). "print buffer report" prints the report as ChangedCases pins it:
// whole the first time, then by the lines it changes against the closest report printed before,
// in this walk or an earlier one.
std::string play(World& w, const std::string& name, ChangedCases& reports, const std::function<void(App&, int)>& between) {
    HeadlessSession session(w.fp, w.dir / "app");
    std::ostringstream out;
    ScriptRunner runner(session.app(), session.view(), out);
    std::string lines;
    const auto run = [&] {
        std::istringstream in(lines);
        EXPECT_TRUE(runner.run(in)) << out.str();
        lines.clear();
    };
    std::istringstream in(substitute(load_script(name + ".script"), w.vars));
    int part = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#pause", 0) == 0) {
            run();
            between(session.app(), ++part);
        } else if (line == "print buffer report") {
            run();
            const size_t before = reports.all.size();
            reports.add(name + " report " + std::to_string(part + 1), hidden(printable(session.app().report->str()), w.vars));
            out << reports.all.substr(before);
        } else {
            lines += line + "\n";
        }
    }
    run();
    return hidden(without_idle_status(out.str()), w.vars);
}

// The inspection walked through the program, one script and transcript each
// (tests/scripts/<name>.script and .expected), paths shown as [NAME]. `setup` changes the world
// after it is built; `between` runs at each "#pause": it changes the installation and checks what
// no screen shows.
TEST(Inspection, SysopWalksTheInspectionByScript) {
    std::vector<test::ConferenceSpec> chatter = test::echo_conferences(4);
    chatter[0].name = "Local Chatter", chatter[0].net_id.clear(), chatter[0].allow_routing = 0;
    std::vector<uint8_t> good;
    const uint8_t* kept = nullptr;
    test::TreeSnapshot before;
    const struct {
        const char* name;
        test::InstallationSpec installation;
        std::function<void(World&)> setup;
        std::function<void(World&, App&, int)> between;
    } walks[] = {
        {"inspection_nodes_and_notes", {3, test::echo_conferences(2)},
         [](World& w) {
             w.fp.set_processes({"explorer.exe", "ntvdm.exe.bak", "Quarro32.EXE"});
             w.fp.fail_path(Op::CreateNew, "Marlinth.cfg");
             w.vars["NODE4"] = test::sep(w.inst.root, "NODE4"), w.vars["NODE5"] = test::sep(w.inst.nodes[0], "NODE5");
             w.fb.make_dir(w.vars["NODE4"]), w.fb.make_dir(w.vars["NODE5"]);
         },
         [](World& w, App&, int) { w.fp.set_process_list_fails(); }},
        {"inspection", {3, chatter, {6}},
         [](World& w) {
             w.fp.set_time({2026, 3, 7, 9, 5, 3});
             w.fp.set_processes({"explorer.exe", "NTVDM.EXE"});
             w.fb.make_message_base(w.inst.message_dir, 3, {6, test::ThreadShape::OrphanReply});
             w.vars["REPORT"] = w.dir / "Marlinth-inspection.txt";
         },
         [](World& w, App& app, int) {  // the exported file is the report, CR LF and all; its folder is remembered
             EXPECT_EQ(app.view.text(ControlId::ReportText), app.report->str());  // the Report tab shows it
             const std::string heading = MARLINTH_NAMED_VERSION " INSPECTION REPORT\r\n";
             EXPECT_EQ(w.text_of(w.vars["REPORT"]).substr(0, heading.size()), heading);
             EXPECT_NE(w.text_of(w.dir / "app/Marlinth.cfg").find("REPORTDIR=" + w.dir.path() + "\r\n"), std::string::npos);
         }},
        {"inspection_node_copies", {6, test::echo_conferences(2), {4, test::ThreadShape::Healthy, true}},
         [&](World& w) {
             w.fb.patch_byte(w.conf(3), 0x50, 0x01);  // same size, one byte different
             std::vector<uint8_t> longer = w.fb.read_file(w.conf(4));
             longer.resize(longer.size() + 128, 0);
             w.fb.write_file(w.conf(4), longer);
             w.fb.write_file(w.conf(5), std::vector<uint8_t>(100480, 0));  // above the cap: not read
             w.fp.fail_path(Op::OpenRead, w.conf(6));                       // locked
             for (size_t i : {3, 4}) w.vars["HASH" + dec(i)] = w.digest(i);
             before = test::snapshot_tree(w.inst.root);
             w.fp.reset_counts();
         },
         [&](World& w, App& app, int) {
             plain_lines(app.report->str());  // CR LF only
             EXPECT_EQ(test::snapshot_tree(w.inst.root), before);
             // Everything written went beside the program (configuration and log).
             ASSERT_FALSE(w.fp.changed_paths().empty());
             for (const std::string& path : w.fp.changed_paths())
                 EXPECT_EQ(path.rfind(w.dir / "app", 0), 0u) << path;
         }},
        {"inspection_baseline_changes", {3, test::echo_conferences(2)}, {},
         [&](World& w, App& app, int part) {
             StageFlags& f = app.flags;
             // A re-inspection that changed the baseline makes every later stage stale.
             EXPECT_FALSE(part % 2 == 0 && (f.inspection_passed || f.na_loaded || f.plan_current ||
                                            f.preflight_passed || f.commit_in_progress)) << part;
             if (part % 2 == 1) f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
             if (part == 1) {
                 good = w.fb.read_file(w.conf(1));
                 w.fb.write_file(w.conf(1), std::vector<uint8_t>(129, 0));
             } else if (part == 2) {  // nothing of the old baseline is left to plan from
                 EXPECT_TRUE(!app.baseline.has_bytes() && !app.settings.valid);
                 w.fb.write_file(w.conf(1), good);
             } else if (part == 3) {
                 kept = app.baseline.bytes.data();
                 for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
                     w.fb.remove_file(test::sep(w.inst.nodes[0], name));
                 w.fb.remove_file(test::sep(w.inst.nodes[1], "SPITFIRE.OVR"));
                 std::filesystem::remove_all(w.inst.nodes[2]);
                 std::filesystem::remove_all(w.inst.message_dir);
             } else if (part == 4) {
                 EXPECT_EQ(app.baseline.bytes.data(), kept);
             }
         }},
    };
    auto native = make_native_platform();
    ChangedCases reports;
    for (const auto& walk : walks) {
        SCOPED_TRACE(walk.name);
        World w(*native);
        w.fp.set_time({2026, 1, 31, 23, 59, 7});
        w.fp.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        w.inst = test::build_installation(w.fp, w.dir / "BBS", walk.installation);
        w.fb.make_dir(w.dir / "app");
        w.vars = {{"MESSAGE", w.inst.message_dir}};
        for (size_t i = 0; i < w.inst.nodes.size(); ++i) w.vars["NODE" + dec(i + 1)] = w.inst.nodes[i];
        if (walk.setup) walk.setup(w);
        w.vars["HASH1"] = w.digest(1);
        const std::string name = walk.name;
        const std::string shown = play(w, name, reports, [&](App& app, int part) { walk.between(w, app, part); });
        EXPECT_EQ(shown, test::golden(name + ".expected", shown, {}));
    }
}

TEST(ConferenceFile, SizeRulesRefuseAllButWholeRecordsUpTo784) {
    const std::string multiple = "SFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n";
    const std::pair<uint32_t, std::string> cases[] = {
        {0, multiple}, {127, multiple}, {129, multiple}, {100352, ""},
        {100480, "SFMCONF.DAT contains more than 784 conferences.\r\n"}};
    for (const auto& [size, text] : cases) {
        const std::vector<uint8_t> bytes(size + 1, 0);  // a size of 0 still gets a valid pointer
        std::vector<ConferenceView> views(3);
        auto report = TextBuffer::create();
        EXPECT_EQ(decode_conference_file(bytes.data(), size, views, report.get()), text.empty()) << size;
        EXPECT_EQ(dec(views.size()) + " " + report->str(), (text.empty() ? "784 " : "0 ") + text);
    }
}

TEST(ConferenceFile, DecodesEveryFieldFromItsOffset) {
    // Written byte by byte, so a wrong offset in the layout cannot hide behind the fixture builder.
    // Text ends at a NUL and is trimmed.
    RawRecord raw{};
    const std::pair<size_t, std::string> fields[] = {
        {0x00, std::string("\xFF\xFF\x02\x11" "  Fido Chat  \0xyz", 21)},
        {0x2C, "\x03\x04\x05\x06\xEF\xBE\x07\x34\x12\x5A"},
        {0x36, std::string("\x01\x00\xFE\xFF\x2C\x01\xFF\x7F\x00\x80\x14\x00", 12)},
        {0x6E, "\x08\x5B\x0A" "\tFIDOCHAT\r"},
    };
    for (const auto& [at, bytes] : fields) std::memcpy(&raw[at], bytes.data(), bytes.size());
    ConferenceView v;
    decode_conference_record(raw.data(), 17, v);
    EXPECT_EQ(std::make_tuple(v.number, v.name, v.net_id, v.conference_security, v.message_entry_security),
              std::make_tuple(17u, std::string("Fido Chat"), std::string("FIDOCHAT"), int16_t(-1), int16_t(20)));
    EXPECT_EQ(std::vector<int>({v.netmail, v.access_exact, v.public_only, v.caller_delete, v.purge_unreceived,
                                v.purge_old_thread, v.template_byte, v.allow_routing, v.mark_as_sent}),
              std::vector<int>({2, 3, 4, 5, 6, 7, 0x5A, 8, 0x5B}));
    EXPECT_EQ(v.purge_days, 0xBEEF);
    EXPECT_EQ(v.max_msg_length, 0x1234);  // unaligned
    EXPECT_EQ(v.privileged, (std::array<int16_t, 5>{1, -2, 300, 32767, -32768}));
    EXPECT_EQ(v.raw, raw);
    // Lengths past a field's end are cut to it: 40 for the name, 15 for the Net ID
    // (the record's end).
    raw[rec::kNameLength] = 55, raw[rec::kNetIdLength] = 20;
    std::memset(&raw[rec::kName], 'N', 44);
    std::memcpy(&raw[rec::kNetId], "\tNET_AREA_ID_1\r", 15);
    decode_conference_record(raw.data(), 17, v);
    EXPECT_EQ(std::make_pair(v.name, v.net_id), std::make_pair(std::string(40, 'N'), std::string("NET_AREA_ID_1")));
}

// The most common echo-like conference compares only the settings block; a tie goes to the lower
// number. Conferences that route and carry a Net ID are offered as templates, every conference
// when none does; the most common echo-like one is preselected (-1: none is).
TEST(ConferenceFile, MostCommonEchoLikeAndTemplateCandidates) {
    ConferenceSpec a, b, c, plain, one, two, three, routed;
    a.name = "A", a.net_id = "A", a.purge_days = 30;
    b = a, b.name = "B", b.net_id = "B", b.conference_security = 99;  // same block as A
    c.name = "C", c.net_id = "C", c.purge_days = 60;
    ConferenceSpec no_id = c, other_template = a, other_mark = a;
    no_id.net_id.clear(), other_template.extra_fill = 1, other_mark.mark_as_sent = 1, plain.allow_routing = 0;
    EXPECT_EQ(most_common_echo_like(decoded_conferences({c, a, c, b})), 0);
    EXPECT_EQ(most_common_echo_like(decoded_conferences({c, a, no_id, no_id, b})), 1);
    EXPECT_EQ(most_common_echo_like(decoded_conferences({other_template, other_mark, a, a})), 2);
    EXPECT_EQ(most_common_echo_like(decoded_conferences({plain, plain})), -1);
    one.name = "One", one.allow_routing = 0;
    two.name = "Two", two.allow_routing = 0, two.net_id = "TWO", two.netmail = 1;
    three.name = "Three";  // routes, but has no Net ID
    routed.name = "Routed", routed.net_id = "R";
    const std::pair<std::vector<ConferenceSpec>, std::string> cases[] = {
        {{one, two, three}, "0 #1 - One|1 #2 - Two|2 #3 - Three|1"},
        {{one, three}, "0 #1 - One|1 #2 - Three|-1"},
        {{one, routed, three, routed}, "1 #2 - Routed|3 #4 - Routed|0"},
    };
    for (const auto& [specs, expected] : cases) {
        std::vector<TemplateCandidate> candidates(1);
        int chosen = 7;
        choose_template_candidates(decoded_conferences(specs), candidates, chosen);
        std::string texts;
        for (const TemplateCandidate& t : candidates) texts += std::to_string(t.index) + " " + t.text + "|";
        EXPECT_EQ(texts + std::to_string(chosen), expected);
    }
}

using Counts = std::array<uint32_t, 5>;  // active, deleted, danger, warn, normal roots

// The check three ways: with its index, with its number tables but no index, and scanning the
// records directly when no memory is left for either; all three must count alike.
void expect_counts(Platform& native, const std::vector<uint8_t>& ptr, const std::vector<uint8_t>& idx, const Counts& want) {
    test::FaultPlatform faults(native);
    for (int refused = 0; refused <= 4; ++refused) {
        faults.reset_counts();
        faults.fail_nth(Op::Allocate, refused);
        MessageBaseResult r;
        r.active = r.danger = 77;  // must be overwritten
        check_message_records(faults, ptr.data(), static_cast<uint32_t>(ptr.size() / 256), idx.data(),
                              static_cast<uint32_t>(idx.size() / 16), r);
        EXPECT_EQ((Counts{r.active, r.deleted, r.danger, r.warn, r.normal_roots}), want) << "allocation refused " << refused;
    }
}

TEST(MessageRecords, ThreadLinkRulesOneByOne) {
    auto native = make_native_platform();
    const std::tuple<const char*, std::vector<PtrRecordSpec>, Counts> cases[] = {
        // {thread, root, deleted, number, root number} -> {active, deleted, danger, warn, normal roots}
        {"root without its root flag", {{1, 0, 0, 10, 10}, {1, 0, 0, 11, 10}}, {2, 0, 1, 0, 0}},
        {"any nonzero root flag", {{1, 7, 0, 10, 10}, {1, 0, 0, 11, 10}}, {2, 0, 0, 0, 1}},
        {"thread flag not exactly 1", {{2, 0, 0, 10, 10}, {0, 0, 0, 11, 99}}, {2, 0, 0, 0, 0}},
        {"unthreaded record shares the root", {{1, 1, 0, 10, 10}, {0, 0, 0, 11, 10}}, {2, 0, 0, 0, 1}},
        {"a root alone is no normal root", {{1, 1, 0, 10, 10}, {0, 0, 0, 11, 11}}, {2, 0, 0, 0, 0}},
        {"deleted reply, IDX root 0xFFFFFFFF", {{1, 1, 0, 10, 10}, {1, 0, 1, 11, 10}}, {1, 1, 0, 0, 1}},
        {"reply to a missing root; numbers wrap below 0", {{1, 0, 0, 0, 9}, {1, 0, 0, 8, 1}}, {2, 0, 2, 0, 0}},
        {"a number held twice is found", {{1, 0, 0, 7, 5}, {1, 1, 0, 5, 5}, {1, 1, 0, 5, 5}},
         {3, 0, 0, 0, 2}},
        {"numbers too spread for a bitmap",
         {{1, 0, 0, 5, 0xF0000000u}, {1, 1, 0, 0xF0000000u, 0xF0000000u}, {1, 0, 0, 0xF0000001u, 0xF0000003u},
          {1, 1, 0, 0xF0000002u, 0xF0000002u}, {1, 0, 0, 0xF0000003u, 0xFFFFFFFFu}},
         {5, 0, 1, 0, 1}},
    };
    for (const auto& [what, ptr, expected] : cases) {
        SCOPED_TRACE(what);
        std::vector<IdxRecordSpec> idx;
        for (const PtrRecordSpec& r : ptr)  // IDX numbers one below are fine
            idx.push_back({r.number - 1, r.deleted ? 0xFFFFFFFFu : r.root_number});
        expect_counts(*native, make_ptr(ptr), make_idx(idx), expected);
    }
    // An IDX record more or less: only the common records are counted, every PTR record is searched.
    const std::vector<PtrRecordSpec> reply_last = {{1, 0, 0, 11, 10}, {1, 1, 0, 10, 10}};
    expect_counts(*native, make_ptr(reply_last), make_idx({{11, 10}}), {1, 0, 0, 0, 0});
    expect_counts(*native, make_ptr(reply_last), make_idx({{11, 10}, {10, 10}, {1, 1}}), {2, 0, 0, 0, 1});
    // Busy bases with interleaved threads and deleted messages link soundly.
    const test::ThreadedMessages m = test::threaded_messages(1500, 3, 3001);
    MessageBaseResult r;
    check_message_records(*native, make_ptr(m.ptr).data(), 1500, make_idx(m.idx).data(), 1500, r);
    EXPECT_TRUE(r.danger + r.warn == 0 && r.deleted * r.normal_roots > 0);
    expect_counts(*native, make_ptr(m.ptr), make_idx(m.idx), {r.active, r.deleted, 0, 0, r.normal_roots});
}

MessageFamily family(const std::vector<PtrRecordSpec>& ptr, std::vector<IdxRecordSpec> idx = {}) {
    if (idx.empty())
        for (const PtrRecordSpec& r : ptr) idx.push_back({r.number, r.root_number});
    return {make_ptr(ptr), make_idx(idx), std::vector<uint8_t>(ptr.size() * 128, 0), std::vector<uint8_t>(8, 0), {}};
}

// One conference's files on disk, validated alone: its three report lines are the verdict.
// One row per rule of the files, their sizes and the status each finding earns.
TEST(MessageBaseValidation, FilesSizesAndRecordsOfOneConference) {
    const std::vector<PtrRecordSpec> thread = {{1, 1, 0, 1, 1}, {1, 0, 0, 2, 1}};
    const MessageFamily sound = family(thread), orphan = family({{1, 0, 0, 5, 4}});
    const std::vector<uint8_t> none;
    MessageFamily short_ptr = orphan, odd_dat = sound, no_ptr = sound, no_idx = sound, no_dat = sound, no_lmr = sound;
    short_ptr.ptr->resize(511, 0);
    odd_dat.dat->push_back(0);
    no_ptr.ptr.reset(), no_idx.idx.reset(), no_dat.dat.reset(), no_lmr.lmr.reset();
    no_ptr.sig = no_idx.sig = no_dat.sig = no_lmr.sig = std::vector<uint8_t>(3, 0);
    const char *const missing = "ERROR: missing required file(s)", *const mismatch = "FATAL: PTR/IDX record mismatch",
                      *const danger = "DANGER: invalid thread linkage",
                      *const unread = "ERROR: message base file(s) could not be read";
    struct Case {
        const char* what;
        MessageFamily files;
        const char* status;
        const char* sizes;
        std::array<uint32_t, 7> counts;  // slots, active, deleted, DAT records, danger, warn, normal roots
        std::vector<std::pair<const char*, uint64_t>> faked_sizes = {};
        const char* unreadable = nullptr;
        const char* present = "PIDL-";  // the Conferences list's column of files present
    };
    // A sound thread (OK) and an orphan reply (DANGER) alone: see the inspection walk's conferences.
    const Case cases[] = {
        {"a new conference's empty files", {none, none, none, none, {}}, "OK", "PTR=0 IDX=0 DAT=0 LMR=0 SIG=none", {}},
        // Each of the four required files missing alone; the signature file is optional.
        {"no PTR", no_ptr, missing, "PTR=MISSING IDX=32 DAT=256 LMR=8 SIG=3", {}, {}, nullptr, "-IDLS"},
        {"no IDX", no_idx, missing, "PTR=512 IDX=MISSING DAT=256 LMR=8 SIG=3", {}, {}, nullptr, "P-DLS"},
        {"no DAT", no_dat, missing, "PTR=512 IDX=32 DAT=MISSING LMR=8 SIG=3", {}, {}, nullptr, "PI-LS"},
        {"no LMR", no_lmr, missing, "PTR=512 IDX=32 DAT=256 LMR=MISSING SIG=3", {}, {}, nullptr, "PID-S"},
        {"one IDX number disagrees", family(thread, {{1, 1}, {7, 1}}), "WARN: PTR/IDX differences",
         "PTR=512 IDX=32 DAT=256 LMR=8 SIG=none", {2, 2, 0, 2, 0, 1, 1}},
        {"IDX longer: the common records are compared", family(thread, {{1, 1}, {7, 1}, {3, 1}}), mismatch,
         "PTR=512 IDX=48 DAT=256 LMR=8 SIG=none", {2, 2, 0, 2, 0, 1, 1}},
        {"PTR a byte short: danger outranks the bad multiple", short_ptr, danger,
         "PTR=511 IDX=16 DAT=128 LMR=8 SIG=none", {1, 1, 0, 1, 1, 0, 0}},
        {"DAT not whole records", odd_dat, "FATAL: invalid record-size multiple", "PTR=512 IDX=32 DAT=257 LMR=8 SIG=none",
         {2, 2, 0, 2, 0, 0, 1}},
        {"PTR of 4 GiB is not read", orphan, "FATAL: file is 4GB or larger",
         "PTR=4294967295 IDX=16 DAT=128 LMR=8 SIG=none", {}, {{"SFMSG01.PTR", 0x100000000ull}}},
        {"a huge LMR is only a size", orphan, danger, "PTR=256 IDX=16 DAT=128 LMR=4294967295 SIG=none",
         {1, 1, 0, 1, 1, 0, 0}, {{"SFMSG01.LMR", 0x500000000ull}}},
        {"IDX above 16 MiB is not read", orphan, mismatch, "PTR=256 IDX=16777232 DAT=128 LMR=8 SIG=none",
         {1, 0, 0, 1, 0, 0, 0}, {{"SFMSG01.IDX", 16777216ull + 16}}},
        {"PTR of exactly 64 MiB is read (and found short)", orphan, mismatch,
         "PTR=67108864 IDX=16 DAT=128 LMR=8 SIG=none", {262144, 0, 0, 1, 0, 0, 0}, {{"SFMSG01.PTR", 67108864ull}}},
        // Records that could not be read prove nothing: an error, never OK, on either file.
        {"IDX that cannot be read: nothing counted", orphan, unread, "PTR=256 IDX=16 DAT=128 LMR=8 SIG=none",
         {1, 0, 0, 1, 0, 0, 0}, {}, "SFMSG01.IDX"},
        {"PTR that cannot be read: nothing counted", sound, unread, "PTR=512 IDX=32 DAT=256 LMR=8 SIG=none",
         {2, 0, 0, 2, 0, 0, 0}, {}, "SFMSG01.PTR"},
    };
    const char* const kCountNames[] = {"Slots", "Active", "Deleted", "DAT records", "Danger", "Warn", "Normal roots"};
    auto native = make_native_platform();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FaultPlatform platform(*native);
        test::TempDir tmp;
        test::FixtureBuilder(platform).write_message_family(tmp.path(), 1, c.files);
        for (const auto& [name, size] : c.faked_sizes) platform.fake_size(name, size);
        if (c.unreadable) platform.fail_path(Op::Read, c.unreadable);
        std::vector<ConferenceView> views(1);
        views[0].number = 1;
        std::vector<MessageBaseResult> results;
        auto report = TextBuffer::create();
        const std::string status = c.status;
        bool any_missing = status != missing;  // must be overwritten
        EXPECT_TRUE(validate_message_base(platform, tmp.path(), views, results, report.get(), any_missing));
        std::string counts;
        for (int i = 0; i < 7; ++i)
            counts += std::string(i ? " " : "") + kCountNames[i] + "=" + dec(c.counts[static_cast<size_t>(i)]);
        EXPECT_EQ(report->str(), "CONF 01  [" + status + "]\r\n  " + c.sizes + "\r\n  " + counts + "\r\n");
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(files_column(results[0]), c.present);
        EXPECT_EQ(any_missing, status == missing);
        EXPECT_EQ(results[0].error, status != "OK" && status.rfind("WARN", 0) != 0);
    }
}

}  // namespace
}  // namespace marlinth
