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

// Fills one result per conference and appends three report lines each. `missing` is set when
// any conference lacks a required file. Always true.
bool validate_message_base(Platform& platform, const std::string& message_dir, const std::vector<ConferenceView>& views,
                           std::vector<MessageBaseResult>& results, TextBuffer* report, bool& missing);

}  // namespace marlinth
