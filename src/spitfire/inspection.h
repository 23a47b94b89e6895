// The read-only inspection's file work and verdicts: the node directories and their files, each
// node's SFMCONF.DAT against Node 1's, the conference list as report lines, the template
// candidates among the conferences, and whether a program is running. Nothing is written.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "core/files.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "spitfire/baseline.h"

namespace marlinth {

// Reads one node's SFMCONF.DAT whole, at most the largest valid conference file.
bool read_node_file(Platform& platform, const std::string& node_dir, ByteBuffer& out, TextBuffer* failures);
// Every node directory with its three required files, and the MESSAGE directory. Every node is
// checked even after an error; true when nothing is missing.
bool validate_paths(Platform& platform, const SetupState& setup, TextBuffer& report);
// Each other node's copy against the baseline; true when every one is identical.
bool compare_nodes(Platform& platform, const SetupState& setup, const ByteBuffer& base, const std::string& baseline_digest,
                   TextBuffer& report);
// The conference list as report lines, one per conference with its security and routing values.
void append_conference_records(TextBuffer& report, const std::vector<ConferenceView>& views);

// Template candidates: conferences that route and carry a Net ID, in file order (every
// conference when none does); `preselected` is the position of the most common echo-like
// conference among them, or -1.
void choose_template_candidates(const std::vector<ConferenceView>& views, std::vector<TemplateCandidate>& candidates,
                                int& preselected);

// True when a running process's executable name equals `name` (A-Z folded); false when the
// process list cannot be taken.
bool is_process_running(Platform& platform, const std::string& name);

}  // namespace marlinth
