// The parsed .NA file: one ImportedArea per record line, with its proposed conference, its
// verdict (READY, REVIEW or BLOCKED) and the reasons; and the fingerprint of the file's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/sha256.h"

namespace marlinth {

constexpr size_t kMaxAreas = 1024;
constexpr uint32_t kMaxAreaListBytes = 2097152;
constexpr uint32_t kMaxFingerprintBytes = 16777216;

struct ImportedArea {
    uint32_t line_number = 0;
    std::string raw_line;              // at most 1023
    std::string echo_tag;              // at most 127; "<unparsed>" when no tag could be read
    std::string imported_description;  // at most 1023
    std::string cleaned_description;   // at most 1023
    std::string proposed_name;         // at most 40
    uint32_t conference_number = 0;    // provisional; 0 for blocked areas
    bool tag_exists = false;
    bool duplicate_tag = false;
    bool tag_too_long = false;
    bool name_shortened = false;
    bool unparsed = false;
    bool no_description = false;
    bool sysop_edited = false;
    bool blocked = false;
    bool needs_review = false;
    std::string parse_mode;  // at most 31
    std::string status_text;

    bool ready() const { return !blocked && !needs_review; }
};

struct AreaPreview {
    std::vector<ImportedArea> areas;  // at most kMaxAreas, in file order
    uint32_t blocked_count = 0;
    uint32_t review_count = 0;
    uint32_t ready_count = 0;
    int32_t profile_index = -1;
    uint32_t source_lines = 0;
    uint32_t comment_lines = 0;
    uint32_t blank_lines = 0;
    uint32_t dropped_records = 0;
    std::string profile_key;           // at most 39
    std::string profile_display_name;  // at most 47
    std::string parser_name;           // at most 31
    std::string detection;             // at most 79
    std::string network_name;          // at most 47; never empty after a parse

    int32_t area_count() const { return static_cast<int32_t>(areas.size()); }
    void clear() { *this = AreaPreview(); }
    void recount();
};

struct SourceFingerprint {
    uint32_t size = 0;
    Sha256Digest digest{};
};

inline void AreaPreview::recount() {
    blocked_count = review_count = ready_count = 0;
    for (const ImportedArea& a : areas) {
        if (a.blocked)
            ++blocked_count;
        else if (a.needs_review)
            ++review_count;
        else
            ++ready_count;
    }
}

}  // namespace marlinth
