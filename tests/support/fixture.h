// The fixture builder: generates Spitfire installations for tests, benchmarks and the demo.
// Node directories with SFMCONF.DAT, SPITFIRE.EXE and SPITFIRE.OVR placeholders and
// WORK\SFWHOSON.DAT; a shared MESSAGE directory with SFMSGnn families; .NA files; QUARRO32.CFG.
// Every file goes through the platform seam, so the same builder works on POSIX and Win32.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"
#include "spitfire/conference.h"
#include "spitfire/message_base.h"

namespace marlinth::test {

// One conference record as a test wants it; the raw bytes not named here are zero unless
// `extra_fill` is set (it fills the template bytes 0x35, 0x42-0x6D and 0x6F).
struct ConferenceSpec {
    std::string name;
    std::string net_id;
    int16_t conference_security = 10;
    int16_t message_entry_security = 10;
    uint8_t netmail = 0;
    uint8_t access_exact = 0;
    uint8_t public_only = 1;
    uint8_t caller_delete = 0;
    uint8_t purge_unreceived = 0;
    uint16_t purge_days = 120;
    uint8_t purge_old_thread = 0;
    uint16_t max_msg_length = 99;
    std::array<int16_t, 5> privileged{};
    uint8_t allow_routing = 1;
    uint8_t mark_as_sent = 0;
    int extra_fill = -1;  // -1: zero; otherwise the byte value for the template bytes
};

RawRecord make_record(const ConferenceSpec& wanted);
std::vector<uint8_t> make_conference_file(const std::vector<ConferenceSpec>& specs);
// n echo conferences named "Echo Conference <i>" with Net IDs ECHO<i>.
std::vector<ConferenceSpec> echo_conferences(int n);

// The shapes a generated message base can take.
enum class ThreadShape {
    Healthy,         // roots and replies that all link correctly
    OrphanReply,     // a threaded reply whose root matches no message
    WarnMismatch,    // one IDX number that disagrees with its PTR record
};

struct MessageBaseSpec {
    uint32_t messages = 4;
    ThreadShape shape = ThreadShape::Healthy;
    bool with_sig = false;
};

struct PtrRecordSpec {
    uint8_t thread = 0, root = 0, deleted = 0;
    uint32_t number = 0, root_number = 0;
};
struct IdxRecordSpec {
    uint32_t number = 0, root_number = 0;
};
std::vector<uint8_t> make_ptr(const std::vector<PtrRecordSpec>& records);
std::vector<uint8_t> make_idx(const std::vector<IdxRecordSpec>& records);

// A message base as Spitfire keeps a busy one: threads of 1 to `max_thread` messages whose
// replies follow their root at random distances (so threads interleave), numbered from
// `first_number`, with about one message in twenty deleted (IDX root 0xFFFFFFFF). Every link
// is sound, so the base validates as OK.
struct ThreadedMessages {
    std::vector<PtrRecordSpec> ptr;
    std::vector<IdxRecordSpec> idx;
};
ThreadedMessages threaded_messages(uint32_t messages, uint32_t seed, uint32_t first_number = 1,
                                   uint32_t max_thread = 8);

// One message-base family written byte for byte: each file exists exactly when its bytes are
// given (an empty vector makes an empty file).
struct MessageFamily {
    std::optional<std::vector<uint8_t>> ptr, idx, dat, lmr, sig;
};

class FixtureBuilder {
public:
    explicit FixtureBuilder(Platform& platform) : platform_(platform) {}

    void make_dir(const std::string& path);  // every missing level
    void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
    void write_text(const std::string& path, const std::string& text);
    std::vector<uint8_t> read_file(const std::string& path);
    bool exists(const std::string& path);
    void remove_file(const std::string& path);

    // A node home directory: SFMCONF.DAT, SPITFIRE.EXE, SPITFIRE.OVR and WORK\SFWHOSON.DAT
    // with `whoson_records` free nodes.
    void make_node(const std::string& dir, const std::vector<uint8_t>& conference_file, int whoson_records = 4);
    // The files of one conference's message base.
    void make_message_base(const std::string& message_dir, uint32_t number, const MessageBaseSpec& wanted);
    // Any family of files, sizes and contents chosen by the test.
    void write_message_family(const std::string& message_dir, uint32_t number, const MessageFamily& family);
    // Overwrites one byte of an existing file in place (a node copy that differs by one byte).
    void patch_byte(const std::string& path, size_t offset, uint8_t value);
    // What Spitfire's first boot does for new conferences: empty .PTR/.IDX/.DAT/.LMR files.
    void make_empty_message_bases(const std::string& message_dir, uint32_t first, uint32_t last);
    // SFWHOSON.DAT records: user numbers (negative = free) and mode bytes.
    void write_whoson(const std::string& path, const std::vector<int16_t>& users, uint8_t mode = 0x1A);

private:
    Platform& platform_;
};

// A whole installation under one root: nodes SF, SF2 ... (siblings), a shared MESSAGE directory
// beside them, and healthy message bases for every conference.
struct Installation {
    std::string root;
    std::vector<std::string> nodes;  // nodes[0] is Node 1
    std::string message_dir;
    std::string backup_root;
};

struct InstallationSpec {
    int nodes = 3;
    std::vector<ConferenceSpec> conferences = echo_conferences(6);
    MessageBaseSpec message_base;
};

Installation build_installation(Platform& platform, const std::string& root, const InstallationSpec& wanted);

// A large installation for benchmarks: every conference's message base made of threaded
// messages (threaded_messages), .DAT holding one record per message.
struct LargeInstallationSpec {
    int nodes = 1;
    uint32_t conferences = 784;
    uint32_t messages_per_conference = 5035;  // 784 x 5035 x (256 + 16) bytes: about 1 GiB of .PTR and .IDX
    uint32_t seed = 1;
};
Installation build_large_installation(Platform& platform, const std::string& root, const LargeInstallationSpec& wanted);

// The text of Marlinth.cfg for an installation (as the program writes it).
std::string config_text_for(const Installation& installation, bool use_quarro = false,
                            const std::string& quarro_cfg = std::string());

}  // namespace marlinth::test
