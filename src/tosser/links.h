// The link directives of QUARRO32.CFG (one uplink each: local address, hub, outbound, packet
// password, netmail zones, echo areas), the rules across links, and the small resolver with which
// the writer preflight learns the tosser's directories from the same file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "tosser/tosser_config.h"

namespace marlinth {

constexpr size_t kMaxPacketPassword = 8;
constexpr size_t kMaxAreaTag = 15;

// zone:net/node or zone:net/node.point, every part digits up to 65535, zone at least 1, nothing
// after the last number. Fills `out` (valid set) only on success.
bool parse_ftn_address(std::string_view text, FtnAddress& out);
// One zone "z" or an inclusive range "low-high", each 1 to 65535, low not above high.
bool parse_zone_range(std::string_view text, NetmailZoneRange& out);
// 1 to 15 characters; no control character, space, colon or DEL.
bool is_valid_area_tag(std::string_view tag);

// Applies one link directive (keyword upper-cased, value trimmed) to `link`, a member of
// `config.links`. A packet password is checked for length and then dropped.
void apply_link_directive(TosserConfig& config, LinkSection& link, TextBuffer* report, int32_t line,
                          std::string_view keyword, std::string_view value);
// The end-of-parse link checks: missing fields, then clashes with every later link, link by link.
void validate_links(TosserConfig& config, TextBuffer* report);

// Parses the file afresh into a temporary heap config and, when it parsed without ERROR, copies
// CONFDIR, MSGDIR and WORKDIR (derived when omitted) into the outputs given (each cut to its
// capacity - 1). The report is reset and receives the complete parse report. Outputs are left
// alone when the parse fails.
bool resolve_tosser_paths(Platform& platform, const std::string& config_path, std::string* confdir,
                          size_t confdir_capacity, std::string* msgdir, size_t msgdir_capacity, std::string* workdir,
                          size_t workdir_capacity, TextBuffer* report);

}  // namespace marlinth
