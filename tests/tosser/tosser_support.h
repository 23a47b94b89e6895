// Helpers shared by the tosser suites: generated QUARRO32.CFG files in a fresh directory and the
// parse report cut into its parts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "support/temp_dir.h"
#include "tosser/tosser_config.h"

namespace marlinth::test {

// Replaces every "${NAME}" of `text` by the value given (unknown names stay as they are).
std::string put_var(std::string text, const std::string& name, const std::string& value);
// The text with every LF turned into CR LF (expected reports are written with LF only).
std::string crlf(const std::string& lf_text);
// Lines of a CR LF text (the last line need not end in CR LF).
std::vector<std::string> crlf_lines(const std::string& text);

// Globals that make a file complete, so a case shows only its own diagnostics (lines 1 to 5).
extern const char* const kGlobals;
// A complete named link (five lines).
std::string named_link(const std::string& name, const std::string& address, const std::string& hub,
                       const std::string& outdir, const std::string& zone);

class CfgParse {
public:
    CfgParse();
    // Writes the bytes as QUARRO32.CFG (replacing an earlier one) and parses them.
    bool run(const std::string& bytes);
    bool run_file(const std::string& path);

    Platform& platform() { return *platform_; }
    TempDir& dir() { return dir_; }
    const std::string& path() const { return path_; }
    TosserConfig& config() { return *config_; }
    std::string report() const { return report_->str(); }
    // The report with the file's path shown as ${PATH}, to compare runs in different directories.
    std::string neutral_report() const;
    // The ERROR and WARNING lines, in order, without CR LF.
    std::vector<std::string> diagnostics() const;

private:
    std::unique_ptr<Platform> platform_;
    TempDir dir_;
    std::string path_;
    std::unique_ptr<TosserConfig> config_;
    std::unique_ptr<TextBuffer> report_;
};

void write_bytes(const std::string& path, const std::string& bytes);
std::string read_bytes(const std::string& path);

}  // namespace marlinth::test
