#include "tosser/parser.h"

#include "core/files.h"
#include "core/line_reader.h"
#include "core/strings.h"
#include "tosser/links.h"
#include "tosser/summary.h"

namespace marlinth {

namespace {

constexpr size_t kMaxKeyword = 63;
constexpr size_t kMaxValue = 447;
constexpr size_t kMaxSectionInner = 127;
constexpr size_t kMaxSectionType = 31;
constexpr size_t kMaxSectionNameRaw = 63;

enum class Keyword {
    Unknown,
    Inbound, Confdir, Workdir, Msgdir, System, KeepProcessed, ProcessedDir,  // globals
    Address, Hub, Outdir, Pktpw, NetmailZone, Area,                          // link directives
};

struct KeywordName {
    const char* text;
    Keyword keyword;
};

constexpr KeywordName kKeywords[] = {
    {"INBOUND", Keyword::Inbound},   {"CONFDIR", Keyword::Confdir},         {"WORKDIR", Keyword::Workdir},
    {"MSGDIR", Keyword::Msgdir},     {"SYSTEM", Keyword::System},           {"KEEPPROCESSED", Keyword::KeepProcessed},
    {"PROCESSEDDIR", Keyword::ProcessedDir},
    {"ADDRESS", Keyword::Address},   {"HUB", Keyword::Hub},                 {"OUTDIR", Keyword::Outdir},
    {"PKTPW", Keyword::Pktpw},       {"NETMAILZONE", Keyword::NetmailZone}, {"AREA", Keyword::Area},
};

Keyword lookup(std::string_view upper) {
    for (const KeywordName& k : kKeywords)
        if (upper == k.text) return k.keyword;
    return Keyword::Unknown;
}

bool is_global(Keyword k) { return k >= Keyword::Inbound && k <= Keyword::ProcessedDir; }

// The first word (up to a space or tab), upper-cased and cut to `max_word` characters (the rest
// of an over-long word is skipped), and what follows the blanks after it.
void split_word(std::string_view text, size_t max_word, std::string& word, std::string_view& rest) {
    size_t end = 0;
    while (end < text.size() && !is_blank(text[end])) ++end;
    word = to_upper_ascii(text.substr(0, end < max_word ? end : max_word));
    rest = skip_blanks(text.substr(end));
}

std::string_view cut(std::string_view text, size_t max_chars) {
    return text.size() > max_chars ? text.substr(0, max_chars) : text;
}

// The file image holds every packet password of the file; it is overwritten before the heap
// block goes back, so the password leaves no copy behind in freed memory.
class WipeOnExit {
public:
    explicit WipeOnExit(ByteBuffer& buffer) : buffer_(buffer) {}
    ~WipeOnExit() {
        if (buffer_.empty()) return;
        volatile uint8_t* p = buffer_.data();
        for (uint32_t i = 0; i < buffer_.size(); ++i) p[i] = 0;
    }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    ByteBuffer& buffer_;
};

class Parser {
public:
    Parser(TosserConfig& config, TextBuffer* report) : c_(config), report_(report) {}

    void line(int32_t number, const TextLine& raw);
    void finish();

private:
    void error(int32_t line, std::string_view message) { add_diagnostic(c_, report_, true, line, message); }
    void warning(int32_t line, std::string_view message) { add_diagnostic(c_, report_, false, line, message); }
    void preserve(int32_t line, PreservedKind kind, std::string_view raw);
    void section_header(int32_t line, std::string_view text);
    void directive(int32_t line, std::string_view raw, std::string_view text);
    void global(int32_t line, Keyword keyword, const std::string& name, std::string_view value);
    bool path_global(int32_t line, const std::string& name, std::string_view value, std::string& field, bool& set,
                     int32_t& field_line);

    TosserConfig& c_;
    TextBuffer* report_;
    int current_ = -1;  // index of the current link, or -1
    bool named_seen_ = false;
    bool legacy_seen_ = false;
};

void Parser::preserve(int32_t line, PreservedKind kind, std::string_view raw) {
    if (static_cast<int>(c_.preserved.size()) >= kMaxPreservedLines) return;
    PreservedLine p;
    p.line = line;
    p.kind = kind;
    p.text = bounded(raw, kMaxTosserLine);
    c_.preserved.push_back(std::move(p));
}

void Parser::line(int32_t number, const TextLine& raw) {
    if (raw.overlong) {
        error(number, "Line exceeds the 511-character parser limit.");
        return;
    }
    const std::string_view text = trim_view(raw.text);
    if (text.empty()) {
        ++c_.blank_lines;
        return;
    }
    if (text[0] == ';') {
        ++c_.comment_lines;
        preserve(number, PreservedKind::Comment, raw.text);
        return;
    }
    if (text[0] == '[') {
        section_header(number, text);
        return;
    }
    directive(number, raw.text, text);
}

void Parser::section_header(int32_t line, std::string_view text) {
    // Whatever the header turns out to be, the link before it is closed.
    current_ = -1;
    if (text.size() < 3 || text.back() != ']') {
        error(line, "Malformed section header.");
        return;
    }
    std::string_view inner = trim_view(cut(text.substr(1, text.size() - 2), kMaxSectionInner));
    std::string type;
    std::string_view rest;
    split_word(inner, kMaxSectionType, type, rest);
    if (type != "LINK") {
        error(line, "Unknown section type. Only [LINK name] is valid.");
        return;
    }
    const std::string_view name = trim_view(cut(rest, kMaxSectionNameRaw));
    if (name.empty()) {
        error(line, "LINK section name is required.");
        return;
    }
    if (name.size() > kMaxLinkName) {
        error(line, "LINK section name exceeds 31 characters.");
        return;
    }
    if (legacy_seen_) error(line, "Legacy flat link directives may not be mixed with named LINK sections.");
    for (const LinkSection& link : c_.links) {
        if (equals_nocase(link.name, name)) {
            error(line, "Duplicate LINK name (case-insensitive).");
            return;
        }
    }
    if (c_.link_count() >= kMaxLinks) {
        error(line, "More than 16 LINK sections were configured.");
        return;
    }
    c_.mode = 2;
    LinkSection link;
    link.name = to_upper_ascii(name);
    link.section_line = line;
    c_.links.push_back(std::move(link));
    current_ = c_.link_count() - 1;
    named_seen_ = true;
}

void Parser::directive(int32_t line, std::string_view raw, std::string_view text) {
    std::string name;
    std::string_view rest;
    split_word(text, kMaxKeyword, name, rest);
    const std::string_view value = trim_view(cut(rest, kMaxValue));
    const Keyword keyword = lookup(name);

    if (keyword == Keyword::Unknown) {
        ++c_.unknown_directives;
        preserve(line, PreservedKind::UnknownDirective, raw);
        warning(line, "Unknown directive is preserved and ignored by Quarro32.");
        return;
    }
    if (is_global(keyword)) {
        if (named_seen_ || current_ >= 0) {
            error(line, "Global directive appears after the first LINK section.");
            return;
        }
        global(line, keyword, name, value);
        return;
    }
    if (current_ >= 0) {
        apply_link_directive(c_, c_.links[static_cast<size_t>(current_)], report_, line, name, value);
        return;
    }
    if (named_seen_) {
        error(line, "Link directive appears outside a LINK section.");
        return;
    }
    if (keyword == Keyword::Area || keyword == Keyword::NetmailZone) {
        error(line, "AREA and NETMAILZONE are not accepted in legacy flat single-link mode.");
        return;
    }
    if (!legacy_seen_) {
        c_.mode = 1;
        c_.links.clear();
        LinkSection link;
        link.name = "DEFAULT";
        link.section_line = line;
        c_.links.push_back(std::move(link));
    }
    apply_link_directive(c_, c_.links[0], report_, line, name, value);
    legacy_seen_ = true;
}

bool Parser::path_global(int32_t line, const std::string& name, std::string_view value, std::string& field, bool& set,
                         int32_t& field_line) {
    if (set) warn_repeated_directive(c_, report_, line, name);
    if (!check_path_value(c_, report_, line, value)) return false;
    field = std::string(value);
    set = true;
    field_line = line;
    return true;
}

void Parser::global(int32_t line, Keyword keyword, const std::string& name, std::string_view value) {
    switch (keyword) {
    case Keyword::Inbound:
        path_global(line, name, value, c_.inbound, c_.inbound_set, c_.inbound_line);
        return;
    case Keyword::Confdir:
        path_global(line, name, value, c_.confdir, c_.confdir_set, c_.confdir_line);
        return;
    case Keyword::Workdir:
        if (path_global(line, name, value, c_.workdir, c_.workdir_set, c_.workdir_line)) c_.workdir_derived = false;
        return;
    case Keyword::Msgdir:
        path_global(line, name, value, c_.msgdir, c_.msgdir_set, c_.msgdir_line);
        return;
    case Keyword::ProcessedDir:
        path_global(line, name, value, c_.processeddir, c_.processeddir_set, c_.processeddir_line);
        return;
    case Keyword::System:
        if (c_.system_set) warn_repeated_directive(c_, report_, line, name);
        if (value.empty() || value.size() > kMaxSystemText) {
            error(line, "SYSTEM must contain 1-63 characters.");
            return;
        }
        c_.system = std::string(value);
        c_.system_set = true;
        c_.system_line = line;
        return;
    case Keyword::KeepProcessed: {
        if (c_.keepprocessed_set) warn_repeated_directive(c_, report_, line, name);
        uint32_t setting = 0;
        if (equals_nocase(value, "YES") || equals_nocase(value, "Y") || value == "1") {
            setting = 1;
        } else if (equals_nocase(value, "NO") || equals_nocase(value, "N") || value == "0") {
            setting = 0;
        } else {
            error(line, "KEEPPROCESSED must be YES/Y/1 or NO/N/0.");
            return;
        }
        c_.keepprocessed = setting;
        c_.keepprocessed_set = true;
        c_.keepprocessed_line = line;
        return;
    }
    default:
        return;
    }
}

void Parser::finish() {
    if (legacy_seen_ && named_seen_) {
        error(0, "Configuration mixes legacy flat directives with named LINK sections.");
    } else if (!legacy_seen_ && !named_seen_) {
        c_.mode = 0;
        error(0, "No legacy link directives or named LINK sections were found.");
    }
    if (!c_.confdir_set) error(0, "Missing required global CONFDIR.");
    if (!c_.msgdir_set) error(0, "Missing required global MSGDIR.");
    if (!c_.workdir_set && c_.confdir_set) {
        std::string derived;
        if (join_path(derived, kPathCapacity, c_.confdir, "WORK")) {
            c_.workdir = derived;
            c_.workdir_set = true;
            c_.workdir_derived = true;
            warning(0, "WORKDIR omitted; using <CONFDIR>\\WORK.");
        } else {
            error(0, "WORKDIR omitted and derived path is too long.");
        }
    }
    if (!c_.keepprocessed_set) warning(0, "KEEPPROCESSED omitted; default is yes.");
    if (!c_.processeddir_set)
        warning(0, "PROCESSEDDIR omitted; Quarro32 uses the default inbound processed subdirectory.");
    validate_links(c_, report_);
}

}  // namespace

void add_diagnostic(TosserConfig& config, TextBuffer* report, bool is_error, int32_t line, std::string_view message) {
    if (is_error)
        ++config.errors;
    else
        ++config.warnings;
    if (!report) return;
    report->append(is_error ? "ERROR" : "WARNING");
    if (line != 0) {
        report->append(" line ");
        report->append_int(line);
    }
    report->append(": ");
    report->append(message);
    report->append("\r\n");
}

void warn_repeated_directive(TosserConfig& config, TextBuffer* report, int32_t line, std::string_view keyword) {
    std::string text = "Repeated ";
    text += until_nul(keyword);
    text += " directive; the later value is used.";
    add_diagnostic(config, report, false, line, bounded(text, 95));
}

bool check_path_value(TosserConfig& config, TextBuffer* report, int32_t line, std::string_view value) {
    if (value.empty()) {
        add_diagnostic(config, report, true, line, "Path value may not be blank.");
        return false;
    }
    if (value.size() > kMaxTosserPath) {
        add_diagnostic(config, report, true, line, "Path value exceeds 255 characters.");
        return false;
    }
    return true;
}

bool parse_tosser_config(Platform& platform, const std::string& path, TosserConfig& config, TextBuffer* report,
                         TextBuffer* error_sink) {
    config.clear();
    if (report) {
        report->reset();
        report->append_line("QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY");
        report->append_line(std::string(48, '='));
        report->append_line("File: " + path);
        report->append_line("No production configuration file is modified by this operation.");
        report->append_line();
    }

    ByteBuffer data;
    if (!read_file_capped(platform, path, data, kMaxTosserConfigBytes, error_sink ? error_sink : report)) return false;
    WipeOnExit wipe(data);

    Parser parser(config, report);
    LineReader reader(data.view(), kMaxTosserLine, LineReader::LongLines::SkipRest);
    TextLine raw;
    int32_t number = 0;
    while (reader.next(raw)) parser.line(++number, raw);
    parser.finish();

    if (report) append_tosser_summary(config, path, *report);
    return config.errors == 0;
}

}  // namespace marlinth
