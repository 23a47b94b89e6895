#include "tosser/summary.h"

#include "core/strings.h"

namespace marlinth {

namespace {

void field(TextBuffer& r, const char* label, bool set, const std::string& value, const char* absent) {
    r.append(label);
    r.append(set ? std::string_view(value) : std::string_view(absent));
    r.append("\r\n");
}

void count(TextBuffer& r, const char* label, int32_t value) {
    r.append(label);
    r.append_uint(static_cast<uint32_t>(value));
    r.append("\r\n");
}

const char* format_name(uint32_t mode) {
    switch (mode) {
    case 1:
        return "Legacy single-link";
    case 2:
        return "Multi-link";
    default:
        return "Unknown";
    }
}

void zones(TextBuffer& r, const LinkSection& link) {
    r.append("  NetMail zones: ");
    if (link.zones.empty()) r.append("<none>");
    for (size_t i = 0; i < link.zones.size(); ++i) {
        const NetmailZoneRange& z = link.zones[i];
        if (i) r.append(", ");
        r.append_uint(z.low);
        if (z.high != z.low) {
            r.append("-");
            r.append_uint(z.high);
        }
    }
    r.append("\r\n");
}

void link_block(TextBuffer& r, const LinkSection& link) {
    r.append_line("[" + link.name + "]");
    field(r, "  Address: ", link.address_set, link.address_text, "<missing>");
    field(r, "  Hub: ", link.hub_set, link.hub_text, "<missing>");
    field(r, "  Outbound: ", link.outdir_set, link.outdir, "<missing>");
    r.append_line(link.pktpw_set ? "  Password: set" : "  Password: none");
    zones(r, link);
    count(r, "  Areas: ", static_cast<int32_t>(link.area_tags.size()));
    for (const std::string& tag : link.area_tags) r.append_line("    AREA " + tag);
    r.append_line();
}

}  // namespace

void append_tosser_summary(const TosserConfig& config, const std::string& path, TextBuffer& r) {
    r.append_line();
    r.append_line("QUARRO32.CFG SUMMARY");
    r.append_line(std::string(21, '='));
    r.append_line("File: " + path);
    r.append_line(std::string("Configuration format: ") + format_name(config.mode));
    field(r, "CONFDIR: ", config.confdir_set, config.confdir, "<missing>");
    r.append("WORKDIR: ");
    r.append(config.workdir_set ? std::string_view(config.workdir) : std::string_view("<missing>"));
    if (config.workdir_set && config.workdir_derived) r.append(" (derived)");
    r.append("\r\n");
    field(r, "MSGDIR: ", config.msgdir_set, config.msgdir, "<missing>");
    field(r, "INBOUND: ", config.inbound_set, config.inbound, "<not configured>");
    field(r, "SYSTEM: ", config.system_set, config.system, "<not configured>");
    r.append("KEEPPROCESSED: ");
    r.append(!config.keepprocessed_set ? "yes (default)" : config.keepprocessed ? "yes" : "no");
    r.append("\r\n");
    field(r, "PROCESSEDDIR: ", config.processeddir_set, config.processeddir, "<default inbound\\processed>");
    count(r, "Links found: ", config.link_count());
    r.append_line();

    for (const LinkSection& link : config.links) link_block(r, link);

    count(r, "Parser warnings: ", config.warnings);
    count(r, "Parser errors: ", config.errors);
    count(r, "Unknown directives: ", config.unknown_directives);
    count(r, "Comments preserved: ", config.comment_lines);

    if (config.unknown_directives != 0) {
        r.append_line();
        r.append_line("UNKNOWN DIRECTIVES (preserved; not rewritten)");
        r.append_line(std::string(45, '-'));
        for (const PreservedLine& p : config.preserved) {
            if (p.kind != PreservedKind::UnknownDirective) continue;
            r.append("Line ");
            r.append_uint(static_cast<uint32_t>(p.line));
            r.append(": ");
            r.append(p.text);
            r.append("\r\n");
        }
    }
    r.append_line();
    r.append_line("Security note: packet-password values are never retained in this model or shown in this report.");
}

}  // namespace marlinth
