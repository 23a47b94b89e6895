// .NA area-list texts and decoded conference lists for tests (the large generated list is in
// fixture/installation.h, shared with the benchmark).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "spitfire/conference.h"
#include "fixture/installation.h"

namespace marlinth::test {

// The lines joined with `eol` after each one (the last one too unless `final_eol` is false).
std::string na_text(const std::vector<std::string>& lines, const std::string& eol = "\r\n", bool final_eol = true);

// Files saved under a .NA name that are no area lists: a tosser configuration (made-up values)
// and `count` bytes of noise that are the same on every run.
std::string tosser_config_text();
std::string noise_bytes(size_t count);

// The conference list an inspection would decode from a generated SFMCONF.DAT.
std::vector<ConferenceView> decoded_conferences(const std::vector<ConferenceSpec>& specs);

}  // namespace marlinth::test
