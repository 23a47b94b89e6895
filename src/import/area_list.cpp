#include "import/area_list.h"

#include "core/files.h"
#include "core/line_reader.h"
#include "core/sha256.h"
#include "core/strings.h"

namespace marlinth {

namespace {

constexpr const char* kDefaultCommentPrefixes = "##|#|;";
constexpr const char* kUnparsedTag = "<unparsed>";
constexpr size_t kMaxSampleTag = 63;

// Lines as every reader of an area list sees them: cut at 1023 characters, the rest skipped.
LineReader area_lines(std::string_view data) {
    return LineReader(data, kMaxAreaLineChars, LineReader::LongLines::SkipRest);
}

struct SplitLine {
    bool parsed = false;
    std::string tag = kUnparsedTag;
    std::string description;
};

// The first blank-delimited word after the leading blanks, and what follows it.
std::string_view first_word(std::string_view text, std::string_view& rest) {
    text = skip_blanks(text);
    size_t end = 0;
    while (end < text.size() && !is_blank(text[end])) ++end;
    rest = text.substr(end);
    return text.substr(0, end);
}

// Takes the tag word of a Whitespace or Delimiter line. False (unparsed) when it is too long,
// its first 127 characters kept as the tag.
bool take_tag_word(std::string_view line, SplitLine& out, std::string_view& rest) {
    std::string_view tag = first_word(line, rest);
    if (tag.empty()) return false;
    if (tag.size() > kMaxEchoTagChars) {
        out.tag = std::string(tag.substr(0, kMaxEchoTagChars));
        return false;
    }
    out.tag = std::string(tag);
    return true;
}

SplitLine split_whitespace(std::string_view line) {
    SplitLine out;
    std::string_view rest;
    if (!take_tag_word(line, out, rest)) return out;
    if (rest.empty()) return out;  // a tag alone does not fit the layout
    out.description = trimmed(skip_blanks(rest));
    out.parsed = true;
    return out;
}

SplitLine split_delimiter(std::string_view line, const NetworkProfile& profile) {
    SplitLine out;
    std::string_view rest;
    if (!take_tag_word(line, out, rest)) return out;
    const std::string_view delimiter = profile.delimiter.empty() ? std::string_view("-") : profile.delimiter;
    rest = skip_blanks(rest);
    if (rest.substr(0, delimiter.size()) != delimiter) return out;  // byte for byte, letter case significant
    out.description = trimmed(skip_blanks(rest.substr(delimiter.size())));
    out.parsed = true;
    return out;
}

SplitLine split_fixed_column(std::string_view line, const NetworkProfile& profile) {
    SplitLine out;
    const uint32_t column = profile.description_column;
    if (column < 2 || column > 128 || line.size() < column) return out;
    const std::string_view tag_field = line.substr(0, column - 1);
    // A tab makes the columns meaningless: where it lands depends on the viewer.
    if (tag_field.find('\t') != std::string_view::npos) return out;
    std::string tag = trimmed(tag_field);
    if (tag.empty()) return out;
    out.tag = tag;
    out.description = trimmed(line.substr(column - 1));
    out.parsed = true;
    return out;
}

SplitLine split_line(std::string_view line, const NetworkProfile& profile) {
    switch (static_cast<ParserLayout>(profile.parser)) {
    case ParserLayout::Delimiter:
        return split_delimiter(line, profile);
    case ParserLayout::FixedColumn:
        return split_fixed_column(line, profile);
    default:
        return split_whitespace(line);
    }
}

void mark_unparsed(ImportedArea& area, std::string tag) {
    area.unparsed = true;
    area.blocked = true;
    area.needs_review = false;
    area.echo_tag = std::move(tag);
    area.imported_description.clear();
    area.cleaned_description.clear();
    area.proposed_name.clear();
    area.conference_number = 0;
    set_status_text(area);
}

std::string strip_description(const std::string& description, const std::string& strip_prefixes) {
    for (const std::string& token : list_tokens(strip_prefixes)) {
        if (starts_with_nocase(description, token)) return trimmed(std::string_view(description).substr(token.size()));
    }
    return description;
}

bool tag_in_baseline(const std::vector<ConferenceView>& baseline, const std::string& tag) {
    for (const ConferenceView& c : baseline)
        if (!c.net_id.empty() && equals_nocase(c.net_id, tag)) return true;
    return false;
}

struct RecordContext {
    const NetworkProfile& profile;
    const std::vector<ConferenceView>& baseline;
    const std::string& network_name;
    uint32_t numbered = 0;  // earlier records that received a conference number
};

void classify_record(ImportedArea& area, const SplitLine& split, const std::vector<ImportedArea>& earlier,
                     RecordContext& ctx) {
    area.echo_tag = split.tag;
    area.imported_description = split.description;
    area.cleaned_description = strip_description(split.description, ctx.profile.strip_prefixes);
    area.no_description = area.cleaned_description.empty();
    area.tag_exists = tag_in_baseline(ctx.baseline, area.echo_tag);
    for (const ImportedArea& e : earlier) {
        if (!e.unparsed && equals_nocase(e.echo_tag, area.echo_tag)) {
            area.duplicate_tag = true;
            break;
        }
    }
    area.tag_too_long = area.echo_tag.size() > kMaxNetIdChars;

    const std::string full = ctx.network_name + ": " + (area.no_description ? area.echo_tag : area.cleaned_description);
    area.name_shortened = full.size() > kMaxProposedName;
    area.proposed_name = full.substr(0, kMaxProposedName);

    if (area.tag_exists || area.duplicate_tag || area.tag_too_long) {
        area.blocked = true;
        area.needs_review = false;
        area.conference_number = 0;
    } else {
        area.blocked = false;
        area.needs_review = area.name_shortened || area.no_description;
        area.conference_number = static_cast<uint32_t>(ctx.baseline.size()) + 1 + ctx.numbered;
        ++ctx.numbered;
    }
    set_status_text(area);
}

void append_preview_report(const std::string& path, const AreaPreview& p, TextBuffer& report) {
    report.append_line();
    report.append_line(".NA PROFILE PREVIEW");
    report.append_line("-------------------");
    report.append("File: ");
    report.append_line(path);
    report.append("Profile: ");
    report.append(p.profile_display_name);
    report.append(" [");
    report.append(p.profile_key);
    report.append_line("]");
    report.append("Parser: ");
    report.append_line(p.parser_name);
    report.append("Detection: ");
    report.append_line(p.detection);
    report.append("Network display name: ");
    report.append_line(p.network_name);
    report.append("Source lines: ");
    report.append_uint(p.source_lines);
    report.append("  Echo records: ");
    report.append_uint(static_cast<uint32_t>(p.area_count()));
    report.append("  Comments: ");
    report.append_uint(p.comment_lines);
    report.append("  Blank: ");
    report.append_uint(p.blank_lines);
    report.append_line();
    report.append("Ready: ");
    report.append_uint(p.ready_count);
    report.append("  Need review: ");
    report.append_uint(p.review_count);
    report.append("  Errors: ");
    report.append_uint(p.blocked_count);
    report.append_line();
    for (const ImportedArea& a : p.areas) {
        report.append("  Line ");
        report.append_uint(a.line_number);
        report.append(": ");
        report.append(a.echo_tag);
        report.append(" -> ");
        if (a.conference_number != 0) {
            report.append("Conf ");
            report.append_uint(a.conference_number);
            report.append(" ");
        }
        report.append("\"");
        report.append(a.proposed_name);
        report.append("\" [");
        report.append(a.status_text);
        report.append_line("]");
        report.append("    Source: ");
        report.append_line(a.imported_description);
        if (!equals_nocase(a.cleaned_description, a.imported_description)) {
            report.append("    Prefix-cleaned: ");
            report.append_line(a.cleaned_description);
        }
        report.append("    Raw: ");
        report.append_line(a.raw_line);
    }
}

// The first generic profile in slot order with this layout, or -1.
int first_generic(const ProfileTable& profiles, ParserLayout layout) {
    for (size_t i = 0; i < profiles.count(); ++i) {
        const NetworkProfile& p = profiles.profiles[i];
        if (p.generic && p.parser == static_cast<uint32_t>(layout)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

void set_status_text(ImportedArea& area) {
    if (area.unparsed)
        area.status_text = "ERROR: line does not match profile";
    else if (area.tag_exists)
        area.status_text = "ERROR: echo tag already exists";
    else if (area.duplicate_tag)
        area.status_text = "ERROR: duplicate tag in file";
    else if (area.tag_too_long)
        area.status_text = "ERROR: tag exceeds 15 chars";
    else if (area.sysop_edited)
        area.status_text = "EDITED - sysop approved";
    else if (area.no_description)
        area.status_text = "REVIEW: no source description";
    else if (area.name_shortened)
        area.status_text = "SHORTENED - review name";
    else
        area.status_text = "READY";
}

int detect_profile(std::string_view path, std::string_view data, const ProfileTable& profiles, std::string& detection) {
    const std::string_view name = file_name_of(path);
    for (size_t i = 0; i < profiles.count(); ++i) {
        const NetworkProfile& p = profiles.profiles[i];
        if (p.generic || p.filename_aliases.empty()) continue;
        for (const std::string& alias : list_tokens(p.filename_aliases, 191)) {
            if (equals_nocase(alias, name)) {
                detection = "Automatic: filename matched known network profile";
                return static_cast<int>(i);
            }
        }
    }

    // Tokens are split once: the sample loop runs them against up to 64 lines.
    struct Evidence {
        std::vector<std::string> prefixes;
        std::vector<std::string> suffixes;
        uint32_t score = 0;
    };
    std::vector<Evidence> evidence(profiles.count());
    for (size_t i = 0; i < profiles.count(); ++i) {
        const NetworkProfile& p = profiles.profiles[i];
        if (p.generic) continue;
        evidence[i].prefixes = list_tokens(p.tag_prefixes);
        evidence[i].suffixes = list_tokens(p.tag_suffixes);
    }

    uint32_t samples = 0;
    uint32_t dash_lines = 0;
    LineReader lines = area_lines(data);
    TextLine line;
    while (samples < kMaxDetectionSamples && lines.next(line)) {
        const std::string_view t = trim_view(line.text);
        if (t.empty() || t[0] == '#' || t[0] == ';') continue;
        ++samples;
        std::string_view rest;
        const std::string_view word = first_word(line.text, rest);
        const std::string_view tag = word.substr(0, kMaxSampleTag);
        rest = skip_blanks(rest);
        if (rest.size() >= 2 && rest[0] == '-' && is_blank(rest[1])) ++dash_lines;
        for (size_t i = 0; i < profiles.count(); ++i) {
            if (profiles.profiles[i].generic) continue;
            Evidence& e = evidence[i];
            for (const std::string& prefix : e.prefixes) {
                if (starts_with_nocase(tag, prefix)) {
                    e.score += 3;
                    break;
                }
            }
            for (const std::string& suffix : e.suffixes) {
                if (ends_with_nocase(tag, suffix)) {
                    e.score += 3;
                    break;
                }
            }
        }
    }

    int best = -1;
    uint32_t best_score = 0;
    for (size_t i = 0; i < evidence.size(); ++i) {
        if (evidence[i].score > best_score) {
            best_score = evidence[i].score;
            best = static_cast<int>(i);
        }
    }
    if (samples > 0 && best >= 0 && best_score >= 2 * samples) {
        detection = "Automatic: echo-tag pattern matched known profile";
        return best;
    }
    int chosen;
    if (samples > 0 && dash_lines * 100 / samples > 59) {
        detection = "Automatic: generic TAG - description layout";
        chosen = first_generic(profiles, ParserLayout::Delimiter);
    } else {
        detection = "Automatic: generic padded/whitespace layout";
        chosen = first_generic(profiles, ParserLayout::Whitespace);
    }
    return chosen < 0 ? 0 : chosen;
}

bool parse_area_list(Platform& platform, const std::string& path, const std::vector<ConferenceView>& baseline,
                     const ProfileTable& profiles, int selected_profile, std::string_view network_name,
                     AreaPreview& preview, TextBuffer& report, TextBuffer* errors) {
    preview.clear();
    ByteBuffer data;
    if (!read_file_capped(platform, path, data, kMaxAreaListBytes, errors)) return false;

    int index;
    if (selected_profile >= 0 && static_cast<size_t>(selected_profile) < profiles.count()) {
        index = selected_profile;
        preview.detection = "Manual profile selection";
    } else {
        index = detect_profile(path, data.view(), profiles, preview.detection);
    }
    if (index < 0 || static_cast<size_t>(index) >= profiles.count()) {
        preview.clear();
        if (errors) errors->append_line("No usable .NA profile is available.");
        return false;
    }
    const NetworkProfile& profile = profiles.profiles[static_cast<size_t>(index)];
    preview.profile_index = index;
    preview.profile_key = bounded(profile.key, 39);
    preview.profile_display_name = bounded(profile.display_name, 47);
    preview.parser_name = bounded(layout_display_name(profile.parser), 31);
    // A typed name of blanks only counts as no name at all.
    const std::string typed = trimmed(bounded(network_name, kMaxNetworkName));
    preview.network_name = trimmed(bounded(typed.empty() ? std::string_view(profile.display_name) : typed, kMaxNetworkName));
    if (preview.network_name.empty()) preview.network_name = "FTN";

    const std::string comments = profile.comment_prefixes.empty() ? kDefaultCommentPrefixes : profile.comment_prefixes;
    RecordContext ctx{profile, baseline, preview.network_name};
    preview.areas.reserve(kMaxAreas);
    LineReader lines = area_lines(data.view());
    TextLine line;
    uint32_t line_number = 0;
    while (lines.next(line)) {
        ++preview.source_lines;
        ++line_number;
        if (trim_view(line.text).empty()) {
            ++preview.blank_lines;
        } else if (matches_prefix_list(comments, skip_blanks(line.text))) {
            ++preview.comment_lines;
        } else if (preview.areas.size() >= kMaxAreas) {
            ++preview.dropped_records;
        } else {
            ImportedArea area;
            area.line_number = line_number;
            area.raw_line = std::string(line.text);
            area.parse_mode = preview.parser_name;
            SplitLine split;
            if (!line.overlong) split = split_line(line.text, profile);
            if (split.parsed)
                classify_record(area, split, preview.areas, ctx);
            else
                mark_unparsed(area, split.tag);
            preview.areas.push_back(std::move(area));
        }
    }
    data.reset();
    preview.recount();
    append_preview_report(path, preview, report);
    return true;
}

std::string message_text(const TextBuffer& buffer) {
    std::string text = buffer.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace marlinth
