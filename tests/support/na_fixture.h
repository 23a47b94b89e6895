// Generated .NA area lists for tests and benchmarks. Nothing here copies a real network's list:
// tags and descriptions are made up, shaped the way published lists are laid out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "spitfire/conference.h"
#include "fixture/installation.h"

namespace marlinth::test {

// The lines joined with `eol` after each one (the last one too unless `final_eol` is false).
std::string na_text(const std::vector<std::string>& lines, const std::string& eol = "\r\n", bool final_eol = true);

// A whitespace-layout list of `records` record lines (tags FSX_AREA0001 ..., descriptions of
// about `description_chars` characters: the default keeps fsxNet names within 40), padded with
// comment lines to exactly `size` bytes. `size` must leave room for the records.
std::string large_na_file(size_t records, size_t size, size_t description_chars = 30);

// The conference list an inspection would decode from a generated SFMCONF.DAT.
std::vector<ConferenceView> decoded_conferences(const std::vector<ConferenceSpec>& specs);

}  // namespace marlinth::test
