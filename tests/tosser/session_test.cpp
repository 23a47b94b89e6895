// The tosser import through the whole program (headless): the acceptance walk compared with its
// transcript, what the transcript does not show, and the two guarantees: packet passwords are
// forgotten, and the tosser's files are only ever read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "tosser/links.h"
#include "ui/controls.h"
#include "ui/headless/headless_session.h"

namespace marlinth::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
std::string read_bytes(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

TEST(TosserScript, SysopTakesTheTosserPathsIntoSetup) {
    auto native = make_native_platform();
    FaultPlatform platform(*native);
    platform.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
    platform.set_processes({});
    TempDir home;
    const std::string cfg = home / "QUARRO32.CFG", broken = home / "BROKEN.CFG", h = home.path();
    write_bytes(cfg, "; Harbour Light BBS\r\nCONFDIR " + h + "/SF\r\nMSGDIR " + h + "/MESSAGE\r\nWORKDIR " + h +
                         "/Q/WORK\r\nKEEPPROCESSED Y\r\n[LINK FidoHub]\r\nADDRESS 2:250/101\r\nHUB 2:250/0\r\nOUTDIR " +
                         h + "/Q/OUT\r\nPKTPW Kx4Tm9Qa\r\nNETMAILZONE 1-6\r\nNETMAILZONE 7\r\nAREA FSX_GEN\r\n"
                         "[LINK OtherNet]\r\nADDRESS 21:1/101\r\nHUB 21:1/100\r\nOUTDIR " + h +
                         "/Q/OUT2\r\nNETMAILZONE 21-24\r\nAREA OTHER_CHAT\r\n");
    write_bytes(broken, "CONFDIR /elsewhere/SF\r\nMSGDIR /elsewhere/MESSAGE\r\nWORKDIR /elsewhere/WORK\r\n"
                        "ADDRESS 2:250/1@fidonet\r\nHUB 2:250/0\r\nOUTDIR /elsewhere/OUT\r\nROUTE everything\r\n");
    const ScriptVars vars{{"HOME", h}, {"CFG", cfg}, {"BROKEN", broken}};
    const ScriptResult result = run_script(platform, h, load_script("tosser.script"), vars);
    ASSERT_TRUE(result.ok) << result.output;
    EXPECT_EQ(result.output, golden("tosser.expected", result.output, vars));
}

const Strings kSecrets = {"Qz7Hx2Wv", "Yt5Ua", "Mk4Rp9Tn", "Lj8Bc3Fd9", "Ws3Ke8Zo", "Np2Vd6Gc"};

// The secrets found in a block of bytes, letter case ignored.
Strings secrets_in(std::string_view bytes) {
    Strings found;
    for (const std::string& secret : kSecrets)
        if (to_upper_ascii(bytes).find(to_upper_ascii(secret)) != std::string::npos) found.push_back(secret);
    return found;
}

std::string_view bytes_of(const void* object, size_t size) { return {static_cast<const char*>(object), size}; }

// Every byte a TosserConfig holds: the objects (short strings live inside them) and the heap text
// of every string.
std::string dump(const TosserConfig& c) {
    std::string out(bytes_of(&c, sizeof c));
    auto add = [&](const std::string& s) { out.append(s.data(), s.capacity()); };
    for (const std::string* s : {&c.inbound, &c.confdir, &c.workdir, &c.msgdir, &c.system, &c.processeddir}) add(*s);
    for (const LinkSection& link : c.links) {
        out.append(bytes_of(&link, sizeof link));
        for (const std::string* s : {&link.name, &link.address_text, &link.hub_text, &link.outdir}) add(*s);
        for (const std::string& tag : link.area_tags) add(tag);
    }
    for (const PreservedLine& p : c.preserved) out.append(bytes_of(&p, sizeof p)), add(p.text);
    return out;
}

// The native platform, looking into every heap block it takes back for a secret left behind.
class WatchingPlatform final : public Platform {
public:
    explicit WatchingPlatform(Platform& real) : r_(real) {}
    Strings leaks;
    int scanned = 0;
    void* allocate(size_t bytes) override {
        void* block = r_.allocate(bytes);
        if (block) sizes_[block] = bytes;
        return block;
    }
    void release(void* block) override {
        if (auto it = sizes_.find(block); it != sizes_.end()) {
            ++scanned;
            for (const std::string& s : secrets_in(bytes_of(block, it->second))) leaks.push_back(s);
            sizes_.erase(it);
        }
        r_.release(block);
    }
#define FORWARD(type, name, params, args) \
    type name params override { return r_.name args; }
    FORWARD(Handle, open, (const std::string& p, OpenMode m), (p, m))
    FORWARD(bool, file_size, (Handle h, uint64_t& s), (h, s))
    FORWARD(bool, read, (Handle h, void* b, uint32_t n, uint32_t& g), (h, b, n, g))
    FORWARD(bool, write, (Handle h, const void* d, uint32_t n, uint32_t& w), (h, d, n, w))
    FORWARD(bool, flush, (Handle h), (h))
    FORWARD(void, close, (Handle h), (h))
    FORWARD(bool, copy_file_no_overwrite, (const std::string& s, const std::string& d), (s, d))
    FORWARD(bool, delete_file, (const std::string& p), (p))
    FORWARD(bool, rename_replace, (const std::string& f, const std::string& t), (f, t))
    FORWARD(bool, flush_file, (const std::string& p), (p))
    FORWARD(bool, flush_directory, (const std::string& p), (p))
    FORWARD(bool, create_directory, (const std::string& p), (p))
    FORWARD(FileAttributes, attributes, (const std::string& p), (p))
    FORWARD(bool, full_path, (const std::string& p, std::string& o), (p, o))
    FORWARD(bool, list_directory, (const std::string& d, std::vector<DirEntry>& o), (d, o))
    FORWARD(bool, find_first_match, (const std::string& d, const std::string& p, std::string& n), (d, p, n))
    FORWARD(bool, free_space, (const std::string& p, uint64_t& a), (p, a))
    FORWARD(LocalTime, local_time, (), ())
    FORWARD(bool, process_names, (Strings& n), (n))
    FORWARD(std::string, executable_path, (), ())
#undef FORWARD

private:
    Platform& r_;
    std::map<void*, size_t> sizes_;
};

// Bytes and modification time: a rewrite with the same bytes still shows.
std::string state_of(const std::string& path) {
    return read_bytes(path) + "|" + std::to_string(fs::last_write_time(path).time_since_epoch().count());
}

class TosserSession : public ::testing::Test {
protected:
    TosserSession() : native_(make_native_platform()), watching_(*native_), platform_(watching_) {
        platform_.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
        write_bytes(good_, "CONFDIR /bbs/sf\r\nWORKDIR /w\r\nMSGDIR /bbs/msg\r\nKEEPPROCESSED yes\r\nPROCESSEDDIR /p\r\n"
                           "[LINK A]\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o/a\r\nNETMAILZONE 1\r\n"
                           "PKTPW Yt5Ua\r\npktpw\tQz7Hx2Wv  \r\n[LINK B]\r\nADDRESS 2:250/2\r\nHUB 2:250/9\r\n"
                           "OUTDIR /o/b\r\nNETMAILZONE 2\r\nPKTPW Mk4Rp9Tn\r\n");
        write_bytes(broken_, "CONFDIR /sf\r\nMSGDIR /m\r\nADDRESS 2:250\r\nHUB 2:250/0\r\nOUTDIR /o\r\nPKTPW Ws3Ke8Zo\r\n"
                             "PKTPW Lj8Bc3Fd9\r\n");
        write_bytes(legacy_,
                    "CONFDIR /sf\r\nMSGDIR /m\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o\r\nPKTPW Np2Vd6Gc\r\n");
        // A sysop's file may well be read-only; reading must not need more.
        fs::permissions(good_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        session_ = std::make_unique<HeadlessSession>(platform_, home_.path());
    }
    ~TosserSession() override { fs::permissions(good_, fs::perms::owner_all); }

    App& app() { return session_->app(); }
    HeadlessView& view() { return session_->view(); }
    // Marks the later stages as reached, so a test can see the stale rule clear them.
    void pretend_inspected() { flags().inspection_passed = flags().plan_current = flags().preflight_passed = true; }
    bool any_stage_reached() { return flags().inspection_passed || flags().plan_current || flags().preflight_passed; }
    decltype(App::flags)& flags() { return app().flags; }

    std::unique_ptr<Platform> native_;
    WatchingPlatform watching_;
    FaultPlatform platform_;
    TempDir home_;
    std::string good_ = home_ / "QUARRO32.CFG", broken_ = home_ / "BROKEN.CFG", legacy_ = home_ / "LEGACY.CFG";
    std::unique_ptr<HeadlessSession> session_;
};

// Every operation on the tosser's files, step by step: each does what the transcript does not show,
// none changes a file, and at the end no password is found anywhere the program keeps or writes text.
TEST_F(TosserSession, PasswordsAreForgottenAndTheFilesAreNeverChanged) {
    // The detector itself finds a password wherever the model could hide one.
    TosserConfig probe;
    probe.system = "Mk4Rp9Tn";  // short enough to live inside the object
    probe.preserved.push_back({1, PreservedKind::Comment, "; the old password was Lj8Bc3Fd9 in " + std::string(40, 'x')});
    EXPECT_EQ(secrets_in(dump(probe)), (Strings{"Mk4Rp9Tn", "Lj8Bc3Fd9"}));
    EXPECT_EQ(secrets_in(read_bytes(good_)).size(), 3u);

    const Strings inputs = {good_, broken_, legacy_};
    Strings before;
    for (const std::string& path : inputs) before.push_back(state_of(path));
    platform_.reset_counts();
    const std::string exported = home_ / "exported-report.txt";
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"resolve", [&] {
             for (const std::string& path : inputs)
                 resolve_tosser_paths(platform_, path, nullptr, 0, nullptr, 0, nullptr, 0, app().writer.get());
         }},
        {"tick and pick", [&] {
             view().queue_answer(BoxAnswer::Yes);
             view().queue_pick(good_);
             view().click(ControlId::UseQuarro);
             EXPECT_EQ(app().tosser.link_count(), 2);
         }},
        {"read broken by a padded path", [&] {
             view().type(ControlId::QuarroCfgPath, "  " + broken_ + " ");
             view().click(ControlId::ReadCfg);
             EXPECT_EQ(app().tosser.errors, 3);
             EXPECT_EQ(view().text(ControlId::QuarroCfgPath), broken_);
         }},
        {"browse legacy: Node 1 becomes CONFDIR, the later stages and a plan's place in the report are forgotten",
         [&] {
             view().type(ControlId::NodeCount, "3");
             view().type(ControlId::NodeList, "/old/sf\r\n /old/sf2 \r\n\r\n/old/sf3");
             pretend_inspected();
             app().plan_report_offset = 19;
             view().queue_pick(legacy_);
             view().click(ControlId::BrowseQuarroCfg);
             EXPECT_TRUE(app().tosser.links[0].pktpw_set);
             EXPECT_EQ(view().text(ControlId::NodeList), "/sf\r\n/old/sf2\r\n/old/sf3");
             EXPECT_FALSE(any_stage_reached());
             EXPECT_EQ(app().plan_report_offset, 0u);
         }},
        {"untick: the field disabled, the stages stale", [&] {
             pretend_inspected();
             view().click(ControlId::UseQuarro);
             EXPECT_FALSE(any_stage_reached() || view().enabled(ControlId::QuarroCfgPath));
         }},
        {"tick with a path: no question; save settings", [&] {
             const size_t boxes = view().boxes().size();
             view().click(ControlId::UseQuarro);
             EXPECT_TRUE(view().boxes().size() == boxes && view().enabled(ControlId::QuarroCfgPath));
             view().click(ControlId::SaveSettings);
         }},
        {"export report", [&] { view().queue_pick(exported), view().click(ControlId::ExportReport); }},
    };
    for (const auto& [name, run] : steps) {
        SCOPED_TRACE(name);
        run();
        for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(state_of(inputs[i]), before[i]) << inputs[i];
        EXPECT_EQ(secrets_in(dump(app().tosser) + app().report->str()), Strings{});
    }
    EXPECT_EQ(platform_.calls(Op::OpenExclusive), 0);
    // Only the log, the program's own configuration (through its staging file, renamed into place
    // in the program's directory) and the exported report were written.
    const Locations& own = app().files;
    for (const std::string& changed : platform_.changed_paths())
        EXPECT_TRUE(changed == own.log_path || changed.rfind(own.config_path, 0) == 0 || changed == own.program_dir ||
                    changed == exported)
            << changed;

    // Every text buffer whole (bytes past the current text too), every control, status line and
    // message box, every file the program wrote, and every heap block it gave back.
    for (TextBuffer* buffer : {app().report.get(), app().log.get(), app().scratch.get(), app().log_line.get(),
                               app().plan_text.get(), app().writer.get()})
        EXPECT_EQ(secrets_in(std::string_view(buffer->c_str(), TextBuffer::kCapacity)), Strings{});
    for (const ControlSpec& entry : control_table())
        EXPECT_EQ(secrets_in(view().describe(entry.id)), Strings{}) << static_cast<int>(entry.id);
    for (StatusLine line : {StatusLine::Main, StatusLine::Writer, StatusLine::Settings, StatusLine::Plan})
        EXPECT_EQ(secrets_in(view().status(line)), Strings{});
    for (const RecordedBox& box : view().boxes()) EXPECT_EQ(secrets_in(box.text), Strings{});
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home_.path())) {
        if (!entry.is_regular_file() || entry.path().extension() == ".CFG") continue;
        ++files;
        EXPECT_EQ(secrets_in(read_bytes(entry.path().string())), Strings{}) << entry.path();
    }
    EXPECT_GE(files, 3);  // the log, Marlinth.cfg and the exported report
    EXPECT_GT(watching_.scanned, 5);
    EXPECT_EQ(watching_.leaks, Strings{});
}

}  // namespace
}  // namespace marlinth::test
