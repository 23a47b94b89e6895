// The shared settings every conference appended in one run receives. They start as a copy of a
// template conference, forced to safe echo values in a few places, and the sysop may edit them.
#pragma once

#include <array>
#include <cstdint>

namespace marlinth {

struct ProposedSettings {
    bool valid = false;
    int32_t template_index = -1;  // conference number - 1
    int16_t conference_security = 0;
    int16_t message_entry_security = 0;
    uint8_t access_exact = 0;
    uint8_t public_only = 0;
    uint8_t netmail = 0;
    uint8_t routing = 0;
    uint16_t max_msg_length = 0;
    uint16_t purge_days = 0;
    uint8_t caller_delete = 0;
    uint8_t purge_unreceived = 0;
    uint8_t purge_old_thread = 0;
    std::array<int16_t, 5> privileged{};
};

}  // namespace marlinth
