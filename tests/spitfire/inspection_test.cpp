// The read-only inspection through the program, where the transcripts do not reach, and the node
// directories it starts from; then the SFMCONF.DAT records and the message-base files on their
// own: decoding, size rules, the thread checks.
#include "app/inspection_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "core/sha256.h"
#include "core/strings.h"
#include "fixture/installation.h"
#include "spitfire/message_base.h"
#include "spitfire/nodes.h"
#include "support/fault_platform.h"
#include "support/na_fixture.h"
#include "support/ready_session.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "support/tree_snapshot.h"
#include "ui/headless/headless_session.h"

namespace marlinth {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

class Inspection : public ::testing::Test {
protected:
    Inspection() : platform_(*native_), fb_(platform_), home_(tmp_ / "app") {
        platform_.set_time({2026, 1, 31, 23, 59, 7});
        platform_.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        fb_.make_dir(home_);
    }
    void build(int nodes, std::vector<test::ConferenceSpec> conferences = test::echo_conferences(6),
               test::MessageBaseSpec bases = {}) {
        inst_ = test::build_installation(platform_, tmp_ / "bbs", {nodes, conferences, bases});
    }
    // Starts the program on Advanced Tools and types the installation's setup as a sysop would.
    void start() {
        session_ = std::make_unique<HeadlessSession>(platform_, home_);
        ASSERT_TRUE(session_->started() && view().click(ControlId::AdvancedTools));
        std::string list;
        for (size_t i = 0; i < inst_.nodes.size(); ++i) list += (i ? "\r\n" : "") + inst_.nodes[i];
        view().type(ControlId::NodeCount, dec(inst_.nodes.size()));
        view().type(ControlId::NodeList, list);
        view().type(ControlId::MessageDir, inst_.message_dir);
    }
    void inspect() {
        view().clear_boxes();
        ASSERT_TRUE(view().click(ControlId::RunInspection));
    }

    App& app() { return session_->app(); }
    HeadlessView& view() { return session_->view(); }
    std::string report() { return app().report->str(); }
    std::string text_of(const std::string& path) { return test::text_of(fb_.read_file(path)); }
    std::string digest(int node) { return sha256_hex(sha256(text_of(node_file(node)))); }
    // The installation's paths by name, for transcripts.
    test::ScriptVars vars() {
        test::ScriptVars out = {{"MESSAGE", inst_.message_dir}};
        for (size_t i = 0; i < inst_.nodes.size(); ++i) out["NODE" + dec(i + 1)] = inst_.nodes[i];
        return out;
    }
    std::string node_file(int i) { return test::sep(inst_.nodes[static_cast<size_t>(i - 1)], "SFMCONF.DAT"); }
    // Each message box shown since the last look, as "icon: text".
    Texts boxes() {
        const char* icons[] = {"error", "warning", "information", "question"};
        Texts out;
        for (const RecordedBox& b : view().boxes()) out.push_back(icons[static_cast<int>(b.icon)] + (": " + b.text));
        view().clear_boxes();
        return out;
    }
    // What the sysop is left with: the verdict, the status line, the tab in front and each box.
    Texts outcome() {
        Texts out = boxes();
        out.insert(out.begin(), {app().flags.inspection_passed ? "passed" : "not passed",
                                 view().status(StatusLine::Main), kTabTitles[static_cast<int>(app().ui.active_tab)]});
        return out;
    }

    test::TempDir tmp_;
    std::unique_ptr<Platform> native_ = make_native_platform();
    test::FaultPlatform platform_;
    test::FixtureBuilder fb_;
    std::string home_;
    test::Installation inst_;
    std::unique_ptr<HeadlessSession> session_;
};

// The inspection road as a sysop walks it, through the scripted runner, against the transcript
// kept beside the script: setup, lists, Hex Record, the whole report, the export and the log.
TEST_F(Inspection, SysopInspectsAndExportsTheReportByScript) {
    platform_.set_time({2026, 3, 7, 9, 5, 3});
    platform_.set_processes({"explorer.exe", "NTVDM.EXE"});
    std::vector<test::ConferenceSpec> conferences = test::echo_conferences(4);
    conferences[0].name = "Local Chatter", conferences[0].net_id.clear(), conferences[0].allow_routing = 0;
    build(3, conferences, {6});
    fb_.make_message_base(inst_.message_dir, 3, {6, test::ThreadShape::OrphanReply});
    test::ScriptVars vars = this->vars();
    vars["REPORT"] = tmp_ / "Marlinth-inspection.txt", vars["SHA256"] = digest(1);
    const test::ScriptResult result = test::run_script(platform_, home_, test::load_script("inspection.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, test::substitute(test::load_script("inspection.expected"), vars));
    // The exported file is the report, CR LF and all, and its folder is remembered.
    EXPECT_EQ(text_of(tmp_ / "Marlinth-inspection.txt").substr(0, 34), "Marlinth v0.4b INSPECTION REPORT\r\n");
    EXPECT_NE(text_of(test::sep(home_, "Marlinth.cfg")).find("REPORTDIR=" + tmp_.path() + "\r\n"), std::string::npos);
}

// Node copies that differ or cannot be read fail the inspection, with both digests; the
// inspection completes, reports every conference and changes no file of the installation.
TEST_F(Inspection, NodeCopiesThatDifferOrCannotBeReadFailAndNothingChanges) {
    build(6, test::echo_conferences(6), {4, test::ThreadShape::Healthy, true});
    fb_.patch_byte(node_file(3), 0x50, 0x01);  // same size, one byte different
    std::vector<uint8_t> longer = fb_.read_file(node_file(4));
    longer.resize(longer.size() + 128, 0);
    fb_.write_file(node_file(4), longer);
    fb_.write_file(node_file(5), std::vector<uint8_t>(100480, 0));  // above the cap: not read
    platform_.fail_path(Op::OpenRead, node_file(6));                // locked
    const test::TreeSnapshot before = test::snapshot_tree(inst_.root);
    start();
    platform_.reset_counts();
    inspect();
    EXPECT_EQ(outcome(), (Texts{"not passed", "Inspection completed with blockers; Wizard Mode remains blocked.", "Conferences"}));
    test::ScriptVars v = vars();
    for (int i : {1, 3, 4}) v["HASH" + dec(i)] = digest(i);
    // Compared whole, its CR LF line ends kept as LF in the golden file.
    std::string lf = report(), crlf;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    for (char c : test::golden("inspection_node_mismatch.expected", lf, v)) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    EXPECT_EQ(report(), crlf);
    inspect();
    EXPECT_EQ(test::snapshot_tree(inst_.root), before);
    // Everything written went beside the program (configuration and log).
    ASSERT_FALSE(platform_.changed_paths().empty());
    for (const std::string& path : platform_.changed_paths())
        EXPECT_TRUE(path == home_ || path.rfind(home_ + kPathSeparator, 0) == 0) << path;
}

// Further nodes are looked for beside Node 1 (named SFn or NODEn) and inside it (NODEn); a
// trailing separator still names Node 1 itself, and a candidate too long for a path is left out.
TEST(NodeCandidates, BesideAndInsideNode1) {
    const std::string bbs = test::sep("", "BBS");
    EXPECT_EQ(node_candidates(test::sep(bbs, "SF") + kPathSeparator, 2),
              (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), test::sep(test::sep(bbs, "SF"), "NODE2")}));
    EXPECT_EQ(node_candidates(test::sep(bbs, std::string(249, 'd')), 2),
              (Texts{test::sep(bbs, "SF2"), test::sep(bbs, "NODE2"), ""}));
}

// Walks through the program on a three-node installation (SF, SF2, SF3), each with its own faults;
// the interludes change the installation and check the stage flags no screen shows.
TEST(InspectionWalks, SysopFillsTheNodesAndReinspectsAChangedInstallationByScript) {
    using Setup = std::function<void(test::FaultPlatform&, const test::Installation&)>;
    using Between = std::function<void(App&, int, test::FaultPlatform&, const test::Installation&)>;
    const auto node_file = [](const test::Installation& inst) { return test::sep(inst.nodes[0], "SFMCONF.DAT"); };
    std::vector<uint8_t> good;
    const uint8_t* kept = nullptr;
    const struct {
        const char* script;
        Setup setup;
        Between between;
    } walks[] = {
        {"inspection_nodes_and_notes.script",
         [](test::FaultPlatform& fp, const test::Installation& inst) {
             fp.set_processes({"explorer.exe", "ntvdm.exe.bak", "Quarro32.EXE"});
             fp.fail_path(Op::CreateNew, "Marlinth.cfg");
             test::FixtureBuilder(fp).make_dir(test::sep(inst.root, "NODE4"));
             test::FixtureBuilder(fp).make_dir(test::sep(inst.nodes[0], "NODE5"));
         },
         [](App&, int, test::FaultPlatform& fp, const test::Installation&) { fp.set_process_list_fails(); }},
        {"inspection_baseline_changes.script", {},
         [&](App& app, int part, test::FaultPlatform& fp, const test::Installation& inst) {
             test::FixtureBuilder fb(fp);
             StageFlags& f = app.flags;
             // A re-inspection that changed the baseline makes every later stage stale.
             EXPECT_FALSE(part % 2 == 0 && (f.inspection_passed || f.na_loaded || f.plan_current ||
                                            f.preflight_passed || f.commit_in_progress)) << part;
             if (part % 2 == 1) f.na_loaded = f.plan_current = f.preflight_passed = f.commit_in_progress = true;
             if (part == 1) {
                 good = fb.read_file(node_file(inst));
                 fb.write_file(node_file(inst), std::vector<uint8_t>(129, 0));
             } else if (part == 2) {  // nothing of the old baseline is left to plan from
                 EXPECT_TRUE(!app.baseline.has_bytes() && !app.settings.valid);
                 fb.write_file(node_file(inst), good);
             } else if (part == 3) {
                 kept = app.baseline.bytes.data();
                 for (const char* name : {"SFMCONF.DAT", "SPITFIRE.EXE", "SPITFIRE.OVR"})
                     fb.remove_file(test::sep(inst.nodes[0], name));
                 fb.remove_file(test::sep(inst.nodes[1], "SPITFIRE.OVR"));
                 std::filesystem::remove_all(inst.nodes[2]);
                 std::filesystem::remove_all(inst.message_dir);
             } else if (part == 4) {
                 EXPECT_EQ(app.baseline.bytes.data(), kept);
             }
         }},
    };
    auto native = make_native_platform();
    for (const auto& walk : walks) {
        SCOPED_TRACE(walk.script);
        test::TempDir tmp;
        test::FaultPlatform fp(*native);
        fp.set_time({2026, 1, 31, 23, 59, 7});
        fp.set_processes({"init", "explorer.exe", "SPITFIRE.EXE"});
        const test::Installation inst = test::build_installation(fp, tmp / "BBS", {});
        test::FixtureBuilder(fp).make_dir(tmp / "app");
        if (walk.setup) walk.setup(fp, inst);
        const test::ScriptVars vars = {{"NODE1", inst.nodes[0]}, {"NODE2", inst.nodes[1]}, {"NODE3", inst.nodes[2]},
                                       {"MESSAGE", inst.message_dir}, {"NODE4", test::sep(inst.root, "NODE4")},
                                       {"NODE5", test::sep(inst.nodes[0], "NODE5")}};
        const test::ScriptResult r = test::run_script_parts(
            fp, tmp / "app", test::load_script(walk.script), vars, {},
            [&](App& app, int part) { walk.between(app, part, fp, inst); });
        ASSERT_TRUE(r.ok) << r.output;
        const std::string expected = std::string(walk.script).replace(std::string(walk.script).size() - 6, 6, "expected");
        EXPECT_EQ(r.output, test::golden(expected, r.output, vars));
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
    MessageFamily short_ptr = orphan, odd_dat = sound, no_idx = sound, no_dat = sound;
    short_ptr.ptr->resize(511, 0);
    odd_dat.dat->push_back(0);
    no_idx.idx.reset(), no_dat.dat.reset();  // .PTR and .LMR missing: see the inspection tests
    no_idx.sig = no_dat.sig = std::vector<uint8_t>(3, 0);
    const char *const missing = "ERROR: missing required file(s)", *const mismatch = "FATAL: PTR/IDX record mismatch",
                      *const danger = "DANGER: invalid thread linkage";
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
    const Case cases[] = {
        {"root and reply", sound, "OK", "PTR=512 IDX=32 DAT=256 LMR=8 SIG=none", {2, 2, 0, 2, 0, 0, 1}},
        {"a new conference's empty files", {none, none, none, none, {}}, "OK", "PTR=0 IDX=0 DAT=0 LMR=0 SIG=none", {}},
        {"no IDX", no_idx, missing, "PTR=512 IDX=MISSING DAT=256 LMR=8 SIG=3", {}, {}, nullptr, "P-DLS"},
        {"no DAT", no_dat, missing, "PTR=512 IDX=32 DAT=MISSING LMR=8 SIG=3", {}, {}, nullptr, "PI-LS"},
        {"one IDX number disagrees", family(thread, {{1, 1}, {7, 1}}), "WARN: PTR/IDX differences",
         "PTR=512 IDX=32 DAT=256 LMR=8 SIG=none", {2, 2, 0, 2, 0, 1, 1}},
        {"orphan reply", orphan, danger, "PTR=256 IDX=16 DAT=128 LMR=8 SIG=none", {1, 1, 0, 1, 1, 0, 0}},
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
        {"IDX that cannot be read: nothing counted", orphan, "OK", "PTR=256 IDX=16 DAT=128 LMR=8 SIG=none",
         {1, 0, 0, 1, 0, 0, 0}, {}, "SFMSG01.IDX"},
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
