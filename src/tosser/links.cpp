#include "tosser/links.h"

#include <new>

#include "core/strings.h"
#include "tosser/parser.h"

namespace marlinth {

namespace {

constexpr uint32_t kMaxFtnNumber = 65535;

// One or more digits with a value of at most 65535; fails as soon as the value is above it, so
// an out-of-range number is refused, never cut.
bool read_number(std::string_view text, size_t& pos, uint16_t& out) {
    if (pos >= text.size() || !is_digit(text[pos])) return false;
    uint32_t value = 0;
    while (pos < text.size() && is_digit(text[pos])) {
        value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
        if (value > kMaxFtnNumber) return false;
        ++pos;
    }
    out = static_cast<uint16_t>(value);
    return true;
}

bool expect(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

bool ranges_overlap(const NetmailZoneRange& a, const NetmailZoneRange& b) { return a.low <= b.high && b.low <= a.high; }

bool same_address(const FtnAddress& a, const FtnAddress& b) {
    return a.valid && b.valid && a.zone == b.zone && a.net == b.net && a.node == b.node && a.point == b.point;
}

void apply_address(TosserConfig& config, TextBuffer* report, int32_t line, std::string_view keyword,
                   std::string_view value, FtnAddress& address, std::string& text, bool& set, int32_t& field_line,
                   const char* invalid) {
    if (set) warn_repeated_directive(config, report, line, keyword);
    FtnAddress parsed;
    if (!parse_ftn_address(value, parsed)) {
        add_diagnostic(config, report, true, line, invalid);
        return;
    }
    address = parsed;
    text = bounded(value, kMaxAddressText);
    set = true;
    field_line = line;
}

void apply_zone(TosserConfig& config, LinkSection& link, TextBuffer* report, int32_t line, std::string_view value) {
    NetmailZoneRange range;
    if (!parse_zone_range(value, range)) {
        add_diagnostic(config, report, true, line, "Invalid NETMAILZONE. Use one zone or an inclusive range such as 1-6.");
        return;
    }
    if (static_cast<int>(link.zones.size()) >= kMaxZoneRanges) {
        add_diagnostic(config, report, true, line, "More than 32 NETMAILZONE ranges were configured for this link.");
        return;
    }
    for (const LinkSection& other : config.links) {
        for (const NetmailZoneRange& stored : other.zones) {
            if (ranges_overlap(stored, range)) {
                add_diagnostic(config, report, true, line,
                               "NETMAILZONE range overlaps an existing range in this or another link.");
                return;
            }
        }
    }
    range.line = line;
    link.zones.push_back(range);
}

void apply_area(TosserConfig& config, LinkSection& link, TextBuffer* report, int32_t line, std::string_view value) {
    if (!is_valid_area_tag(value)) {
        add_diagnostic(config, report, true, line,
                       "Invalid AREA tag. It must be 1-15 characters and contain no spaces, controls, colon, or DEL.");
        return;
    }
    std::string tag = to_upper_ascii(value);
    if (static_cast<int>(link.area_tags.size()) >= kMaxAreaTags) {
        add_diagnostic(config, report, true, line, "More than 256 AREA directives were configured for this link.");
        return;
    }
    for (const LinkSection& other : config.links) {
        for (const std::string& stored : other.area_tags) {
            if (!equals_nocase(stored, tag)) continue;
            add_diagnostic(config, report, true, line,
                           &other == &link ? "Duplicate AREA directive inside one link."
                                           : "AREA tag is assigned to more than one link.");
            return;
        }
    }
    link.area_tags.push_back(std::move(tag));
    link.area_lines.push_back(line);
}

void copy_out(const std::string& value, std::string* out, size_t capacity) {
    if (out && capacity >= 1) *out = bounded(value, capacity - 1);
}

// The temporary config lives in a block of the process heap, released on every path.
class HeapConfig {
public:
    explicit HeapConfig(Platform& platform) : platform_(platform) {
        void* block = platform.allocate(sizeof(TosserConfig));
        if (block) config_ = new (block) TosserConfig();
    }
    ~HeapConfig() {
        if (!config_) return;
        config_->~TosserConfig();
        platform_.release(config_);
    }
    HeapConfig(const HeapConfig&) = delete;
    HeapConfig& operator=(const HeapConfig&) = delete;
    TosserConfig* get() { return config_; }

private:
    Platform& platform_;
    TosserConfig* config_ = nullptr;
};

}  // namespace

bool parse_ftn_address(std::string_view text, FtnAddress& out) {
    text = until_nul(text);
    FtnAddress a;
    size_t pos = 0;
    if (!read_number(text, pos, a.zone) || a.zone == 0 || !expect(text, pos, ':')) return false;
    if (!read_number(text, pos, a.net) || !expect(text, pos, '/')) return false;
    if (!read_number(text, pos, a.node)) return false;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        if (!read_number(text, pos, a.point)) return false;
    }
    if (pos != text.size()) return false;
    a.valid = true;
    out = a;
    return true;
}

bool parse_zone_range(std::string_view text, NetmailZoneRange& out) {
    text = until_nul(text);
    NetmailZoneRange r;
    size_t pos = 0;
    if (!read_number(text, pos, r.low) || r.low == 0) return false;
    r.high = r.low;
    if (pos < text.size() && text[pos] == '-') {
        ++pos;
        if (!read_number(text, pos, r.high) || r.high == 0) return false;
    }
    if (pos != text.size() || r.low > r.high) return false;
    out.low = r.low;
    out.high = r.high;
    return true;
}

bool is_valid_area_tag(std::string_view tag) {
    if (tag.empty() || tag.size() > kMaxAreaTag) return false;
    for (char c : tag) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 32 || u == ':' || u == 127) return false;
    }
    return true;
}

void apply_link_directive(TosserConfig& config, LinkSection& link, TextBuffer* report, int32_t line,
                          std::string_view keyword, std::string_view value) {
    if (keyword == "ADDRESS") {
        apply_address(config, report, line, keyword, value, link.address, link.address_text, link.address_set,
                      link.address_line, "Invalid ADDRESS. Use zone:net/node or zone:net/node.point.");
    } else if (keyword == "HUB") {
        apply_address(config, report, line, keyword, value, link.hub, link.hub_text, link.hub_set, link.hub_line,
                      "Invalid HUB. Use zone:net/node or zone:net/node.point.");
    } else if (keyword == "OUTDIR") {
        if (link.outdir_set) warn_repeated_directive(config, report, line, keyword);
        if (!check_path_value(config, report, line, value)) return;
        link.outdir = std::string(value);
        link.outdir_set = true;
        link.outdir_line = line;
    } else if (keyword == "PKTPW") {
        // Only the fact and the line are kept; the value is never copied anywhere.
        if (link.pktpw_line != 0) warn_repeated_directive(config, report, line, keyword);
        if (value.empty()) {
            add_diagnostic(config, report, true, line,
                           "Blank PKTPW is invalid. Omit the directive when the link has no packet password.");
            return;
        }
        if (value.size() > kMaxPacketPassword) {
            add_diagnostic(config, report, true, line, "PKTPW exceeds the eight-character limit.");
            return;
        }
        link.pktpw_set = true;
        link.pktpw_line = line;
    } else if (keyword == "NETMAILZONE") {
        apply_zone(config, link, report, line, value);
    } else if (keyword == "AREA") {
        apply_area(config, link, report, line, value);
    }
}

void validate_links(TosserConfig& config, TextBuffer* report) {
    const size_t count = config.links.size();
    for (size_t i = 0; i < count; ++i) {
        const LinkSection& link = config.links[i];
        if (!link.address_set) add_diagnostic(config, report, true, link.section_line, "Link is missing required ADDRESS.");
        if (!link.hub_set) add_diagnostic(config, report, true, link.section_line, "Link is missing required HUB.");
        if (!link.outdir_set) add_diagnostic(config, report, true, link.section_line, "Link is missing required OUTDIR.");
        if (config.mode == 2 && link.zones.empty())
            add_diagnostic(config, report, true, link.section_line, "Named link is missing required NETMAILZONE.");
        for (size_t j = i + 1; j < count; ++j) {
            const LinkSection& later = config.links[j];
            if (same_address(link.address, later.address))
                add_diagnostic(config, report, true, later.address_line, "Two links use the same local ADDRESS.");
            if (same_address(link.hub, later.hub))
                add_diagnostic(config, report, true, later.hub_line, "Two links use the same HUB.");
            if (link.outdir_set && later.outdir_set && equals_nocase(link.outdir, later.outdir))
                add_diagnostic(config, report, true, later.outdir_line, "Two links use the same OUTDIR.");
        }
    }
}

bool resolve_tosser_paths(Platform& platform, const std::string& config_path, std::string* confdir,
                          size_t confdir_capacity, std::string* msgdir, size_t msgdir_capacity, std::string* workdir,
                          size_t workdir_capacity, TextBuffer* report) {
    HeapConfig temporary(platform);
    TosserConfig* config = temporary.get();
    if (!config) {
        if (report) report->append("Out of memory while reading QUARRO32.CFG.\r\n");
        return false;
    }
    if (!parse_tosser_config(platform, config_path, *config, report, report)) return false;
    copy_out(config->confdir, confdir, confdir_capacity);
    copy_out(config->msgdir, msgdir, msgdir_capacity);
    copy_out(config->workdir, workdir, workdir_capacity);
    return true;
}

}  // namespace marlinth
