// src/spitfire/: the BBS installation as data: the conference file, message bases, node
// directories, the inspection's file checks. Includes core only; no App, no View.
//
// SFMCONF.DAT: a flat file of 128-byte conference records, no header, at most 784 records.
// Conference n is the record at offset (n-1) x 128. Little-endian, no alignment.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_buffer.h"

namespace marlinth {

constexpr uint32_t kRecordSize = 128;
constexpr uint32_t kMaxConferences = 784;
constexpr uint32_t kMaxConferenceFileSize = kRecordSize * kMaxConferences;  // 100,352

// Field offsets of a ConferenceRecord.
namespace rec {
constexpr size_t kConferenceSecurity = 0x00;  // signed 16
constexpr size_t kNetMail = 0x02;
constexpr size_t kNameLength = 0x03;
constexpr size_t kName = 0x04;
constexpr size_t kNameMax = 40;
constexpr size_t kAccessExact = 0x2C;
constexpr size_t kPublicOnly = 0x2D;
constexpr size_t kCallerDelete = 0x2E;
constexpr size_t kPurgeUnreceived = 0x2F;
constexpr size_t kPurgeDays = 0x30;  // unsigned 16
constexpr size_t kPurgeOldThread = 0x32;
constexpr size_t kMaxMsgLength = 0x33;  // unsigned 16, not aligned
constexpr size_t kTemplateByte = 0x35;
constexpr size_t kPrivileged = 0x36;        // five 16-bit values
constexpr size_t kMessageEntrySecurity = 0x40;  // signed 16
constexpr size_t kExtra = 0x42;             // 44 template bytes, 0x42 to 0x6D
constexpr size_t kExtraLength = 44;
constexpr size_t kAllowRouting = 0x6E;
constexpr size_t kMarkAsSent = 0x6F;
constexpr size_t kNetIdLength = 0x70;
constexpr size_t kNetId = 0x71;
constexpr size_t kNetIdMax = 15;
constexpr size_t kSettingsBlockBegin = 0x2C;  // the settings block compared for templates
constexpr size_t kSettingsBlockEnd = 0x70;    // one past 0x6F
}  // namespace rec

using RawRecord = std::array<uint8_t, kRecordSize>;

struct ConferenceView {
    uint32_t number = 0;
    std::string name;    // up to 40, trimmed
    std::string net_id;  // up to 15, trimmed
    int16_t conference_security = 0;
    int16_t message_entry_security = 0;
    uint8_t netmail = 0;
    uint8_t access_exact = 0;
    uint8_t public_only = 0;
    uint8_t caller_delete = 0;
    uint8_t purge_unreceived = 0;
    uint8_t purge_old_thread = 0;
    uint8_t allow_routing = 0;
    uint8_t mark_as_sent = 0;
    uint8_t template_byte = 0;
    uint16_t purge_days = 0;
    uint16_t max_msg_length = 0;
    std::array<int16_t, 5> privileged{};
    RawRecord raw{};
};

inline uint16_t get_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t get_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void put_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void decode_conference_record(const uint8_t* bytes, uint32_t number, ConferenceView& view);
// Checks the size rules and decodes every record; one failure line to `report` otherwise.
bool decode_conference_file(const uint8_t* bytes, uint32_t size, std::vector<ConferenceView>& views, TextBuffer* report);
// Writes a length-prefixed text field; refuses (record unchanged) text longer than `maximum`.
bool encode_text_field(uint8_t* record, size_t offset, size_t maximum, std::string_view text);
// Resets `out` and writes the record view: summary lines and the hexadecimal dump.
void format_conference_record(const ConferenceView& view, TextBuffer& out);

// Echo-like: a Net ID and either the Net-Mail or the routing byte set.
bool is_echo_like(const ConferenceView& view);
// The echo-like conference whose settings block the most echo-like conferences share
// (ties: lowest number); -1 when there is none. Returns an index into `views`.
int most_common_echo_like(const std::vector<ConferenceView>& views);

}  // namespace marlinth
