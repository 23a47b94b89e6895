// The read-only summary of a parsed QUARRO32.CFG, the last part of every parse report. It shows
// only whether a link has a packet password, never the password.
#pragma once

#include <string>

#include "core/text_buffer.h"
#include "tosser/tosser_config.h"

namespace marlinth {

void append_tosser_summary(const TosserConfig& config, const std::string& path, TextBuffer& report);

}  // namespace marlinth
