// What the last read-only inspection established: Node 1's SFMCONF.DAT as read, its decoded
// conferences, their message-base results and the template candidates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/files.h"
#include "spitfire/conference.h"
#include "spitfire/message_base.h"

namespace marlinth {

struct TemplateCandidate {
    int index = 0;  // into the conference list (conference number - 1)
    std::string text;  // "#" number " - " name
};

struct ConferenceBaseline {
    ByteBuffer bytes;  // Node 1's SFMCONF.DAT; empty until a good read
    std::vector<ConferenceView> conferences;
    std::vector<MessageBaseResult> message_bases;
    uint32_t report_length = 0;  // Report length after the message-base section
    std::vector<TemplateCandidate> template_candidates;
    int preselected_candidate = -1;  // position in template_candidates, or -1

    uint32_t size() const { return bytes.empty() ? 0 : bytes.size(); }
    uint32_t count() const { return static_cast<uint32_t>(conferences.size()); }
    bool has_bytes() const { return !bytes.empty() && bytes.size() != 0; }
};

}  // namespace marlinth
