#include "import/profiles.h"

#include "core/files.h"
#include "core/line_reader.h"
#include "core/strings.h"

namespace marlinth {

namespace {

constexpr const char* kDefaultComments = "##|#|;";

struct Builtin {
    const char* key;
    const char* display;
    ParserLayout parser;
    uint32_t column;
    const char* delimiter;
    const char* aliases;
    const char* prefixes;
    const char* suffixes;
    const char* comments;
    const char* strip;
    uint32_t generic;
};

using P = ParserLayout;

// Slot order is the order of detection tie-breaks and of the profile choice list.
const Builtin kBuiltins[kBuiltinProfiles] = {
    {"agoranet", "AgoraNet", P::Whitespace, 0, "", "agoranet.na", "AGN_", "", ";|#", "", 0},
    {"amiganet", "AmigaNet", P::FixedColumn, 27, "", "AmigaNetEchomailAreas.na", "", "_AMY", ";|#", "AmigaNet:", 0},
    {"anothernet", "AnotherNet", P::Delimiter, 0, "-", "annet.na", "ANN.", "", ";|#", "", 0},
    {"cheesenet", "CheeseNet", P::Whitespace, 0, "", "CHEESE.NA", "CHEESE_", "", ";|#", "", 0},
    {"dorenet", "DoRENET", P::Whitespace, 0, "", "dorenet.NA", "DN-", "", ";|#", "", 0},
    {"fidonet", "FidoNet", P::FixedColumn, 39, "", "BACKBONE.NA", "", "", ";|#", "", 0},
    {"fsxnet", "fsxNet", P::Whitespace, 0, "", "fsxnet.na", "FSX_", "", ";|#", "", 0},
    {"healthnet", "HealthNet", P::Whitespace, 0, "", "HEALTH.NA", "HN_", "", ";|#", "", 0},
    {"hobbynet", "HobbyNet", P::Whitespace, 0, "", "HOBBYNET.NA", "HNET_", "", ";|#", "", 0},
    {"micronet", "MicroNet", P::Whitespace, 0, "", "micronet.na", "MIN_|L618_", "", "##|#|;", "", 0},
    {"transcanadanet", "Trans-CanadaNet", P::Whitespace, 0, "", "TCNET.NA", "I_|ICE", "", ";|#", "(TCN)", 0},
    {"tqwnet", "TQWnet", P::Delimiter, 0, "-", "tqwnet.na", "TQW_", "", ";|#", "", 0},
    {"weednet", "WeedNet", P::FixedColumn, 37, "", "weednet.na", "WEED_", "", ";|#", "", 0},
    {"zeronet", "Zer0net", P::Whitespace, 0, "", "ZERONET.NA", "0N-", "", ";|#", "Zer0net -", 0},
    {"generic-delimiter", "Unknown FTN Network", P::Delimiter, 0, "-", "", "", "", "##|#|;", "", 1},
    {"generic-whitespace", "Unknown FTN Network", P::Whitespace, 0, "", "", "", "", "##|#|;", "", 1},
};

ParserLayout parse_layout(std::string_view value) {
    if (equals_nocase(value, "Delimiter")) return P::Delimiter;
    if (equals_nocase(value, "FixedColumn")) return P::FixedColumn;
    if (equals_nocase(value, "Auto")) return P::Auto;
    return P::Whitespace;
}

void apply_key(NetworkProfile& p, const std::string& key, const std::string& value) {
    if (key.size() > 127) return;
    if (equals_nocase(key, "DisplayName")) {
        p.display_name = bounded(value, 47);
    } else if (equals_nocase(key, "Parser")) {
        p.parser = static_cast<uint32_t>(parse_layout(value));
    } else if (equals_nocase(key, "DescriptionColumn")) {
        size_t digits = 0;
        uint64_t n = read_decimal(skip_blanks(value), &digits);
        p.description_column = digits == 0 ? 0 : static_cast<uint32_t>(n > 0xFFFFFFFFull ? 0xFFFFFFFFull : n);
    } else if (equals_nocase(key, "Delimiter")) {
        p.delimiter = bounded(value, 15);
    } else if (equals_nocase(key, "FilenameAliases")) {
        p.filename_aliases = bounded(value, 191);
    } else if (equals_nocase(key, "TagPrefixes")) {
        p.tag_prefixes = bounded(value, 127);
    } else if (equals_nocase(key, "TagSuffixes")) {
        p.tag_suffixes = bounded(value, 127);
    } else if (equals_nocase(key, "CommentPrefixes")) {
        p.comment_prefixes = bounded(value, 63);
    } else if (equals_nocase(key, "StripPrefixes")) {
        p.strip_prefixes = bounded(value, 127);
    } else if (equals_nocase(key, "Generic")) {
        char c = value.empty() ? '\0' : value[0];
        p.generic = (c == '1' || c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 1 : 0;
    }
}

}  // namespace

void init_network_profile(NetworkProfile& slot, std::string_view key, std::string_view display_name, ParserLayout parser,
                          uint32_t description_column, std::string_view delimiter, std::string_view filename_aliases,
                          std::string_view tag_prefixes, std::string_view tag_suffixes, std::string_view comment_prefixes,
                          std::string_view strip_prefixes, uint32_t generic) {
    slot = NetworkProfile();
    slot.key = bounded(key, 39);
    slot.display_name = bounded(display_name, 47);
    slot.parser = static_cast<uint32_t>(parser);
    slot.description_column = description_column;
    slot.delimiter = bounded(delimiter, 15);
    slot.filename_aliases = bounded(filename_aliases, 191);
    slot.tag_prefixes = bounded(tag_prefixes, 127);
    slot.tag_suffixes = bounded(tag_suffixes, 127);
    slot.comment_prefixes = until_nul(comment_prefixes).empty() ? kDefaultComments : bounded(comment_prefixes, 63);
    slot.strip_prefixes = bounded(strip_prefixes, 127);
    slot.generic = generic;
}

size_t load_network_profiles(Platform& platform, const std::string& path, ProfileTable& table, size_t capacity) {
    table.profiles.clear();
    for (size_t i = 0; i < kBuiltinProfiles && i < capacity; ++i) {
        const Builtin& b = kBuiltins[i];
        NetworkProfile p;
        init_network_profile(p, b.key, b.display, b.parser, b.column, b.delimiter, b.aliases, b.prefixes, b.suffixes,
                             b.comments, b.strip, b.generic);
        table.profiles.push_back(p);
    }
    if (path.empty()) return table.count();
    FileAttributes a = platform.attributes(path);
    if (!a.exists || a.directory) return table.count();
    ByteBuffer data;
    if (!read_file_capped(platform, path, data, kMaxProfilesFileBytes, nullptr)) return table.count();

    int current = -1;
    LineReader lines(data.view(), 1023, LineReader::LongLines::SkipRest);
    TextLine line;
    while (lines.next(line)) {
        std::string text = trimmed(line.text);
        if (text.empty() || text[0] == ';' || text[0] == '#') continue;
        if (text[0] == '[') {
            size_t close = text.find(']');
            if (close == std::string::npos) continue;
            std::string name = text.substr(1, close - 1);
            // The whole name is compared with the stored keys (39 characters at most), so two long
            // names that share their first 39 characters never merge.
            current = -1;
            for (size_t i = 0; i < table.count(); ++i) {
                if (equals_nocase(table.profiles[i].key, name)) {
                    current = static_cast<int>(i);
                    break;
                }
            }
            if (current < 0 && table.count() < capacity) {
                NetworkProfile p;
                init_network_profile(p, name, name, P::Whitespace, 0, "", "", "", "", kDefaultComments, "", 0);
                table.profiles.push_back(p);
                current = static_cast<int>(table.count() - 1);
            }
            continue;
        }
        if (current < 0) continue;
        size_t eq = text.find('=');
        std::string key = trimmed(std::string_view(text).substr(0, eq));
        std::string value = eq == std::string::npos ? std::string() : trimmed(bounded(std::string_view(text).substr(eq + 1), 767));
        apply_key(table.profiles[static_cast<size_t>(current)], key, value);
    }
    return table.count();
}

std::string layout_display_name(uint32_t layout) {
    switch (static_cast<ParserLayout>(layout)) {
    case P::Whitespace:
        return "Whitespace/padded";
    case P::Delimiter:
        return "Tag - description";
    case P::FixedColumn:
        return "Fixed column";
    default:
        return "Auto";
    }
}

std::vector<std::string> list_tokens(std::string_view list, size_t max_token) {
    std::vector<std::string> tokens;
    list = until_nul(list);
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t bar = list.find('|', pos);
        if (bar == std::string_view::npos) bar = list.size();
        std::string token = trimmed(bounded(list.substr(pos, bar - pos), max_token));
        if (!token.empty()) tokens.push_back(token);
        pos = bar + 1;
    }
    return tokens;
}

bool matches_prefix_list(std::string_view list, std::string_view subject) {
    for (const std::string& token : list_tokens(list))
        if (starts_with_nocase(subject, token)) return true;
    return false;
}

}  // namespace marlinth
