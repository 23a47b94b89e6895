// The staged conference file: the inspected Node 1 bytes unchanged, followed by one clone of the
// template record per plan entry with the area's identity and the shared settings written over
// it. Built in memory, then decoded again and checked field by field before it may go to disk.
#pragma once

#include <vector>

#include "core/files.h"
#include "core/text_buffer.h"
#include "settings/proposed_settings.h"
#include "spitfire/conference.h"
#include "writer/plan_types.h"

namespace marlinth {

// Writes one new record: the template's raw bytes with the settings and the identity set.
bool write_new_record(uint8_t* record, const RawRecord& template_raw, const ProposedSettings& settings,
                      const PlanEntry& entry);

bool build_staged_conference_file(Platform& platform, const uint8_t* base, uint32_t base_length,
                                  const ConferenceView* template_view, const ProposedSettings& snapshot,
                                  const std::vector<PlanEntry>& entries, int32_t planned_count, ByteBuffer& out,
                                  TextBuffer* success_report, TextBuffer* error_report);

}  // namespace marlinth
