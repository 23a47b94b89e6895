// The message-base files of each conference (SFMSGnn.PTR/.IDX/.DAT/.LMR/.SIG in the shared
// MESSAGE directory): presence, record multiples, PTR/IDX agreement and thread links.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "spitfire/conference.h"

namespace marlinth {

enum class MessageFile { Ptr = 0, Idx, Dat, Lmr, Sig };
constexpr int kMessageFileKinds = 5;

struct MessageBaseResult {
    bool present[kMessageFileKinds] = {};
    uint32_t size[kMessageFileKinds] = {};  // 0xFFFFFFFF for 4 GiB or more
    uint32_t slots = 0;                     // PTR records
    uint32_t idx_records = 0;
    uint32_t dat_records = 0;
    uint32_t active = 0;
    uint32_t deleted = 0;
    uint32_t danger = 0;
    uint32_t warn = 0;
    uint32_t normal_roots = 0;
    bool error = false;
    std::string status;  // at most 95 characters
};

// The Files column of the Conferences list: PIDLS with "-" for each absent file.
std::string files_column(const MessageBaseResult& result);

// Path of one message file of conference `number`; false when it does not fit.
bool message_file_path(const std::string& message_dir, uint32_t number, MessageFile kind, std::string& out);

// Record layouts of the two files whose records are read.
namespace msg {
constexpr uint32_t kPtrRecord = 256;
constexpr uint32_t kIdxRecord = 16;
constexpr uint32_t kDatRecord = 128;
constexpr size_t kPtrThread = 0x9B;
constexpr size_t kPtrRoot = 0x9C;
constexpr size_t kPtrDeleted = 0x9E;
constexpr size_t kPtrNumber = 0xA6;
constexpr size_t kPtrRootNumber = 0xAA;
constexpr size_t kIdxNumber = 8;
constexpr size_t kIdxRootNumber = 12;
constexpr uint32_t kMaxIdxBytes = 16777216;  // larger files are not read
constexpr uint32_t kMaxPtrBytes = 67108864;
constexpr uint32_t kHugeSize = 0xFFFFFFFF;   // a size of 4 GiB or more
}  // namespace msg

// The per-message checks over one conference's .PTR and .IDX records: fills Active, Deleted,
// Danger, Warn and Normal roots of `result` (other fields untouched). Records 0 to
// min(ptr_records, idx_records) - 1 are checked; thread links are looked up among all PTR
// records, through an index taken from `platform`'s memory (a direct scan when none is to be had).
void check_message_records(Platform& platform, const uint8_t* ptr, uint32_t ptr_records, const uint8_t* idx,
                           uint32_t idx_records, MessageBaseResult& result);

// The three report lines of one conference.
void append_message_base_lines(TextBuffer& report, uint32_t number, const MessageBaseResult& result);

// Fills one result per conference and appends three report lines each. `missing` is set when
// any conference lacks a required file. Always true.
bool validate_message_base(Platform& platform, const std::string& message_dir, const std::vector<ConferenceView>& views,
                           std::vector<MessageBaseResult>& results, TextBuffer* report, bool& missing);

}  // namespace marlinth
