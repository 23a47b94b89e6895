// The strict, read-only reader of QUARRO32.CFG: one pass over the text that fills a TosserConfig
// and writes a line-numbered report (header, diagnostics, summary). The file is never written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "tosser/tosser_config.h"

namespace marlinth {

constexpr uint32_t kMaxTosserConfigBytes = 1048576;  // a file of exactly this size is accepted
constexpr size_t kMaxTosserLine = 511;
constexpr size_t kMaxTosserPath = 255;
constexpr size_t kMaxLinkName = 31;
constexpr size_t kMaxAddressText = 31;
constexpr size_t kMaxSystemText = 63;

// Parses the file into `config` (always cleared first). The report, when given, is reset and
// receives the whole parse report; read failures go to `error_sink`, or to the report when the
// sink is none. True when the parse produced no ERROR.
bool parse_tosser_config(Platform& platform, const std::string& path, TosserConfig& config, TextBuffer* report,
                         TextBuffer* error_sink);

// Counts one ERROR or WARNING and prints it ("ERROR line 7: ..."; no line part for line 0).
void add_diagnostic(TosserConfig& config, TextBuffer* report, bool is_error, int32_t line, std::string_view message);
// "Repeated <KEYWORD> directive; the later value is used." as a WARNING at `line`.
void warn_repeated_directive(TosserConfig& config, TextBuffer* report, int32_t line, std::string_view keyword);
// The path rule of every directory directive: not blank, at most 255 characters, kept as written.
// Reports the refusal and returns false.
bool check_path_value(TosserConfig& config, TextBuffer* report, int32_t line, std::string_view value);

}  // namespace marlinth
