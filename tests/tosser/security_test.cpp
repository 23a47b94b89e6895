// Packet passwords are checked for length and forgotten; the tosser's configuration is only ever
// read. Both are proven by running every operation on files with distinctive passwords and then
// searching everything the program keeps or writes, and by comparing the files afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "core/strings.h"
#include "support/fault_platform.h"
#include "tosser/links.h"
#include "tosser/parser.h"
#include "tosser/tosser_import.h"
#include "tosser_support.h"
#include "ui/controls.h"
#include "ui/headless/headless_session.h"

namespace marlinth::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSecrets = {"Qz7Hx2Wv", "Yt5Ua", "Mk4Rp9Tn", "Lj8Bc3Fd9", "Ws3Ke8Zo", "Np2Vd6Gc"};

const std::string kMultiLink = std::string(kGlobals) +
                               "[LINK A]\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o/a\r\nNETMAILZONE 1\r\n"
                               "PKTPW Yt5Ua\r\npktpw\tQz7Hx2Wv  \r\n"
                               "[LINK B]\r\nADDRESS 2:250/2\r\nHUB 2:250/9\r\nOUTDIR /o/b\r\nNETMAILZONE 2\r\n"
                               "PKTPW Mk4Rp9Tn\r\n";
const std::string kBroken =
    "CONFDIR /sf\r\nMSGDIR /m\r\nADDRESS 2:250\r\nHUB 2:250/0\r\nOUTDIR /o\r\nPKTPW Ws3Ke8Zo\r\nPKTPW Lj8Bc3Fd9\r\n";
const std::string kLegacy = "CONFDIR /sf\r\nMSGDIR /m\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o\r\nPKTPW Np2Vd6Gc\r\n";

// The secrets found in a block of bytes, letter case ignored.
std::vector<std::string> secrets_in(std::string_view bytes) {
    const std::string upper = to_upper_ascii(bytes);
    std::vector<std::string> found;
    for (const std::string& secret : kSecrets)
        if (upper.find(to_upper_ascii(secret)) != std::string::npos) found.push_back(secret);
    return found;
}

std::string_view bytes_of(const void* object, size_t size) { return {static_cast<const char*>(object), size}; }

// Every byte a TosserConfig holds: the objects themselves (short strings live inside them) and
// the heap text of every string.
std::string dump(const TosserConfig& c) {
    std::string out(bytes_of(&c, sizeof c));
    for (const std::string* s : {&c.inbound, &c.confdir, &c.workdir, &c.msgdir, &c.system, &c.processeddir})
        out.append(s->data(), s->capacity());
    for (const LinkSection& link : c.links) {
        out.append(bytes_of(&link, sizeof link));
        for (const std::string* s : {&link.name, &link.address_text, &link.hub_text, &link.outdir})
            out.append(s->data(), s->capacity());
        for (const std::string& tag : link.area_tags) out.append(tag.data(), tag.capacity());
    }
    for (const PreservedLine& p : c.preserved) {
        out.append(bytes_of(&p, sizeof p));
        out.append(p.text.data(), p.text.capacity());
    }
    return out;
}

// The native platform, looking into every heap block it takes back for a secret left behind.
class WatchingPlatform final : public Platform {
public:
    explicit WatchingPlatform(Platform& real) : real_(real) {}
    std::vector<std::string> leaks;
    int scanned = 0;

    Handle open(const std::string& path, OpenMode mode) override { return real_.open(path, mode); }
    bool file_size(Handle h, uint64_t& size) override { return real_.file_size(h, size); }
    bool read(Handle h, void* b, uint32_t n, uint32_t& got) override { return real_.read(h, b, n, got); }
    bool write(Handle h, const void* d, uint32_t n, uint32_t& w) override { return real_.write(h, d, n, w); }
    bool flush(Handle h) override { return real_.flush(h); }
    void close(Handle h) override { real_.close(h); }
    bool copy_file_no_overwrite(const std::string& s, const std::string& d) override {
        return real_.copy_file_no_overwrite(s, d);
    }
    bool delete_file(const std::string& p) override { return real_.delete_file(p); }
    bool rename_replace(const std::string& f, const std::string& t) override { return real_.rename_replace(f, t); }
    bool create_directory(const std::string& p) override { return real_.create_directory(p); }
    FileAttributes attributes(const std::string& p) override { return real_.attributes(p); }
    bool full_path(const std::string& p, std::string& o) override { return real_.full_path(p, o); }
    bool list_directory(const std::string& d, std::vector<DirEntry>& o) override { return real_.list_directory(d, o); }
    bool find_first_match(const std::string& d, const std::string& p, std::string& n) override {
        return real_.find_first_match(d, p, n);
    }
    bool free_space(const std::string& p, uint64_t& a) override { return real_.free_space(p, a); }
    LocalTime local_time() override { return real_.local_time(); }
    bool process_names(std::vector<std::string>& n) override { return real_.process_names(n); }
    std::string executable_path() override { return real_.executable_path(); }
    void* allocate(size_t bytes) override {
        void* block = real_.allocate(bytes);
        if (block) sizes_[block] = bytes;
        return block;
    }
    void release(void* block) override {
        auto it = sizes_.find(block);
        if (it != sizes_.end()) {
            ++scanned;
            for (const std::string& s : secrets_in(bytes_of(block, it->second))) leaks.push_back(s);
            sizes_.erase(it);
        }
        real_.release(block);
    }

private:
    Platform& real_;
    std::map<void*, size_t> sizes_;
};

struct FileState {
    std::string bytes;
    fs::file_time_type modified;
    long long changed_ns = 0;  // inode change time
    bool operator==(const FileState& o) const {
        return bytes == o.bytes && modified == o.modified && changed_ns == o.changed_ns;
    }
};

FileState state_of(const std::string& path) {
    FileState s;
    s.bytes = read_bytes(path);
    s.modified = fs::last_write_time(path);
#ifndef _WIN32
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        s.changed_ns = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
#endif
    return s;
}

class TosserSecurity : public ::testing::Test {
protected:
    TosserSecurity() : native_(make_native_platform()), watching_(*native_), platform_(watching_) {
        platform_.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
        good_ = home_ / "QUARRO32.CFG";
        broken_ = home_ / "BROKEN.CFG";
        legacy_ = home_ / "LEGACY.CFG";
        write_bytes(good_, kMultiLink);
        write_bytes(broken_, kBroken);
        write_bytes(legacy_, kLegacy);
        // A sysop's file may well be read-only; reading must not need more.
        fs::permissions(good_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        session_ = std::make_unique<HeadlessSession>(platform_, home_.path());
    }
    ~TosserSecurity() override { fs::permissions(good_, fs::perms::owner_all); }

    App& app() { return session_->app(); }
    HeadlessView& view() { return session_->view(); }

    std::unique_ptr<Platform> native_;
    WatchingPlatform watching_;
    FaultPlatform platform_;
    TempDir home_;
    std::string good_, broken_, legacy_;
    std::unique_ptr<HeadlessSession> session_;
};

// The detector itself finds a password wherever the model could hide one.
TEST_F(TosserSecurity, DumpWouldRevealAPasswordKeptInTheModel) {
    TosserConfig c;
    c.system = "Mk4Rp9Tn";  // short enough to live inside the object
    EXPECT_EQ(secrets_in(dump(c)), (std::vector<std::string>{"Mk4Rp9Tn"}));
    c.system.clear();
    PreservedLine p;
    p.text = "; the old password was Lj8Bc3Fd9 in " + std::string(40, 'x');
    c.preserved.push_back(p);
    EXPECT_EQ(secrets_in(dump(c)), (std::vector<std::string>{"Lj8Bc3Fd9"}));
    EXPECT_EQ(secrets_in(read_bytes(good_)).size(), 3u);
}

TEST_F(TosserSecurity, PasswordsAreNowhereAfterEveryOperation) {
    // The direct parse and the preflight's resolver.
    auto report = TextBuffer::create();
    auto config = std::make_unique<TosserConfig>();
    ASSERT_TRUE(parse_tosser_config(platform_, good_, *config, report.get(), nullptr));
    EXPECT_TRUE(config->links[0].pktpw_set);
    EXPECT_TRUE(config->links[1].pktpw_set);
    EXPECT_NE(report->str().find("WARNING line 12: Repeated PKTPW directive"), std::string::npos);
    EXPECT_EQ(secrets_in(dump(*config)), std::vector<std::string>{});
    EXPECT_EQ(secrets_in(report->view()), std::vector<std::string>{});
    ASSERT_FALSE(parse_tosser_config(platform_, broken_, *config, report.get(), nullptr));
    EXPECT_NE(report->str().find("ERROR line 7: PKTPW exceeds the eight-character limit."), std::string::npos);
    EXPECT_EQ(secrets_in(dump(*config)), std::vector<std::string>{});
    EXPECT_EQ(secrets_in(report->view()), std::vector<std::string>{});
    std::string workdir;
    EXPECT_TRUE(resolve_tosser_paths(platform_, good_, nullptr, 0, nullptr, 0, &workdir, 260, app().writer.get()));

    // The sysop's road: tick the box and pick the file, read a broken one, browse a legacy one,
    // save the settings and export the report.
    view().queue_answer(BoxAnswer::Yes);
    view().queue_pick(good_);
    ASSERT_TRUE(view().click(ControlId::UseQuarro));
    ASSERT_EQ(app().tosser.link_count(), 2);
    view().type(ControlId::QuarroCfgPath, broken_);
    view().click(ControlId::ReadCfg);
    EXPECT_EQ(app().tosser.errors, 3);
    view().queue_pick(legacy_);
    view().click(ControlId::BrowseQuarroCfg);
    EXPECT_TRUE(app().tosser.links[0].pktpw_set);
    view().click(ControlId::SaveSettings);
    const std::string exported = home_ / "exported-report.txt";
    view().queue_pick(exported);
    view().click(ControlId::ExportReport);
    ASSERT_TRUE(fs::exists(exported));

    // Every text buffer, whole (bytes past the current text included), every control, status
    // line and message box, the model, and every file the program wrote.
    for (TextBuffer* buffer : {app().report.get(), app().log.get(), app().scratch.get(), app().log_line.get(),
                               app().plan_text.get(), app().writer.get()})
        EXPECT_EQ(secrets_in(std::string_view(buffer->c_str(), TextBuffer::kCapacity)), std::vector<std::string>{});
    for (const ControlSpec& entry : control_table())
        EXPECT_EQ(secrets_in(view().describe(entry.id)), std::vector<std::string>{}) << static_cast<int>(entry.id);
    for (StatusLine line : {StatusLine::Main, StatusLine::Writer, StatusLine::Settings, StatusLine::Plan})
        EXPECT_EQ(secrets_in(view().status(line)), std::vector<std::string>{});
    for (const RecordedBox& box : view().boxes()) EXPECT_EQ(secrets_in(box.text), std::vector<std::string>{});
    EXPECT_EQ(secrets_in(dump(app().tosser)), std::vector<std::string>{});
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home_.path())) {
        if (!entry.is_regular_file() || entry.path().extension() == ".CFG") continue;
        ++files;
        EXPECT_EQ(secrets_in(read_bytes(entry.path().string())), std::vector<std::string>{}) << entry.path();
    }
    EXPECT_GE(files, 3);  // the log, Marlinth.cfg and the exported report

    // The file images were wiped before their heap blocks went back.
    EXPECT_GT(watching_.scanned, 5);
    EXPECT_EQ(watching_.leaks, std::vector<std::string>{});
}

TEST_F(TosserSecurity, ConfigurationFilesAreNeverChanged) {
    const std::vector<std::string> inputs = {good_, broken_, legacy_};
    std::vector<FileState> before;
    for (const std::string& path : inputs) before.push_back(state_of(path));
    platform_.reset_counts();

    const std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"parse", [&] {
             auto c = std::make_unique<TosserConfig>();
             for (const std::string& path : inputs) parse_tosser_config(platform_, path, *c, app().scratch.get(), nullptr);
         }},
        {"resolve", [&] {
             std::string out;
             for (const std::string& path : inputs)
                 resolve_tosser_paths(platform_, path, &out, 260, &out, 260, &out, 260, app().writer.get());
         }},
        {"tick and pick", [&] {
             view().queue_answer(BoxAnswer::Yes);
             view().queue_pick(good_);
             view().click(ControlId::UseQuarro);
         }},
        {"read broken", [&] {
             view().type(ControlId::QuarroCfgPath, broken_);
             view().click(ControlId::ReadCfg);
         }},
        {"browse legacy", [&] {
             view().queue_pick(legacy_);
             view().click(ControlId::BrowseQuarroCfg);
         }},
        {"untick", [&] { view().click(ControlId::UseQuarro); }},
        {"save settings", [&] {
             view().click(ControlId::UseQuarro);
             view().click(ControlId::SaveSettings);
         }},
        {"export report", [&] {
             view().queue_pick(home_ / "exported.txt");
             view().click(ControlId::ExportReport);
         }},
    };
    for (const auto& [name, run] : operations) {
        run();
        for (size_t i = 0; i < inputs.size(); ++i) EXPECT_TRUE(state_of(inputs[i]) == before[i]) << name << ": " << inputs[i];
        for (const std::string& changed : platform_.changed_paths())
            for (const std::string& path : inputs) EXPECT_NE(changed, path) << name;
    }
    EXPECT_EQ(platform_.calls(Op::OpenExclusive), 0);
    EXPECT_EQ(platform_.calls(Op::Rename), 0);
    EXPECT_EQ(platform_.calls(Op::Delete), 0);
    // Only the log, the program's own configuration and the exported report were written.
    for (const std::string& changed : platform_.changed_paths())
        EXPECT_TRUE(changed == app().files.log_path || changed == app().files.config_path ||
                    changed == home_ / "exported.txt")
            << changed;
}

}  // namespace
}  // namespace marlinth::test
