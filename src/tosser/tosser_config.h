// src/tosser/: the tosser configuration read-only: model, parser, link rules, summary.
// Includes core only; no App, no View.
//
// The read-only model of QUARRO32.CFG. It never holds a packet password: a PKTPW directive only
// records that a valid one was present and on which line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace marlinth {

struct FtnAddress {
    uint16_t zone = 0, net = 0, node = 0, point = 0;
    bool valid = false;
};

struct NetmailZoneRange {
    uint16_t low = 0, high = 0;
    int32_t line = 0;
};

constexpr int kMaxLinks = 16;
constexpr int kMaxZoneRanges = 32;
constexpr int kMaxAreaTags = 256;
constexpr int kMaxPreservedLines = 128;

struct LinkSection {
    std::string name;          // 1 to 31, upper case; "DEFAULT" for the legacy link
    std::string address_text;  // first 31 characters as written
    std::string hub_text;
    std::string outdir;        // at most 255
    FtnAddress address;
    FtnAddress hub;
    bool address_set = false, hub_set = false, outdir_set = false;
    bool pktpw_set = false;
    int32_t section_line = 0;
    int32_t address_line = 0, hub_line = 0, outdir_line = 0, pktpw_line = 0;
    std::vector<NetmailZoneRange> zones;  // at most 32
    std::vector<std::string> area_tags;   // at most 256, 1 to 15 characters, upper case
    std::vector<int32_t> area_lines;
};

enum class PreservedKind : uint8_t { Comment = 1, UnknownDirective = 2 };

struct PreservedLine {
    int32_t line = 0;
    PreservedKind kind = PreservedKind::Comment;
    std::string text;  // the raw line, untrimmed, at most 511
};

struct TosserConfig {
    uint32_t mode = 0;  // 0 none, 1 legacy single-link, 2 multi-link
    std::string inbound, confdir, workdir, msgdir, system, processeddir;
    bool inbound_set = false, confdir_set = false, workdir_set = false, workdir_derived = false;
    bool msgdir_set = false, system_set = false, keepprocessed_set = false, processeddir_set = false;
    uint32_t keepprocessed = 1;
    int32_t inbound_line = 0, confdir_line = 0, workdir_line = 0, msgdir_line = 0, system_line = 0,
            keepprocessed_line = 0, processeddir_line = 0;
    std::vector<LinkSection> links;  // at most 16
    std::vector<PreservedLine> preserved;  // at most 128
    int32_t comment_lines = 0;
    int32_t blank_lines = 0;
    int32_t unknown_directives = 0;
    int32_t warnings = 0;
    int32_t errors = 0;

    void clear() { *this = TosserConfig(); }
    int32_t link_count() const { return static_cast<int32_t>(links.size()); }
};

}  // namespace marlinth
