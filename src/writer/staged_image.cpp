#include "writer/staged_image.h"

#include <cstring>
#include <new>

#include "core/strings.h"

namespace marlinth {

namespace {

// The decode tables are the only other large blocks; running out of memory for them is a
// refusal with its own message, not a crash.
bool try_reserve(std::vector<ConferenceView>& table, size_t count) {
    try {
        table.reserve(count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool record_matches(const ConferenceView& v, const RawRecord& template_raw, const ProposedSettings& s,
                    const PlanEntry& e) {
    const uint8_t* raw = v.raw.data();
    const uint8_t* tpl = template_raw.data();
    // The name as the decoder reads it back (trimmed, ended at a NUL): what every reader of the file will see.
    return equals_nocase(v.net_id, e.tag) && v.name == e.name && v.conference_security == s.conference_security &&
           v.netmail == s.netmail && v.access_exact == s.access_exact && v.public_only == s.public_only &&
           v.caller_delete == s.caller_delete && v.purge_unreceived == s.purge_unreceived &&
           v.purge_days == s.purge_days && v.purge_old_thread == s.purge_old_thread &&
           v.max_msg_length == s.max_msg_length && v.privileged == s.privileged &&
           v.message_entry_security == s.message_entry_security && v.allow_routing == s.routing &&
           raw[rec::kTemplateByte] == tpl[rec::kTemplateByte] && raw[rec::kMarkAsSent] == tpl[rec::kMarkAsSent] &&
           std::memcmp(raw + rec::kExtra, tpl + rec::kExtra, rec::kExtraLength) == 0;
}

}  // namespace

bool write_new_record(uint8_t* record, const RawRecord& template_raw, const ProposedSettings& s, const PlanEntry& e) {
    std::memcpy(record, template_raw.data(), kRecordSize);
    put_u16(record + rec::kConferenceSecurity, static_cast<uint16_t>(s.conference_security));
    record[rec::kNetMail] = s.netmail;
    if (!encode_text_field(record, rec::kNameLength, rec::kNameMax, e.name)) return false;
    record[rec::kAccessExact] = s.access_exact;
    record[rec::kPublicOnly] = s.public_only;
    record[rec::kCallerDelete] = s.caller_delete;
    record[rec::kPurgeUnreceived] = s.purge_unreceived;
    put_u16(record + rec::kPurgeDays, s.purge_days);
    record[rec::kPurgeOldThread] = s.purge_old_thread;
    put_u16(record + rec::kMaxMsgLength, s.max_msg_length);
    for (size_t i = 0; i < 5; ++i) put_u16(record + rec::kPrivileged + 2 * i, static_cast<uint16_t>(s.privileged[i]));
    put_u16(record + rec::kMessageEntrySecurity, static_cast<uint16_t>(s.message_entry_security));
    record[rec::kAllowRouting] = s.routing;
    return encode_text_field(record, rec::kNetIdLength, rec::kNetIdMax, e.tag);
}

bool build_staged_conference_file(Platform& platform, const uint8_t* base, uint32_t base_length,
                                  const ConferenceView* template_view, const ProposedSettings& snapshot,
                                  const std::vector<PlanEntry>& entries, int32_t planned_count, ByteBuffer& out,
                                  TextBuffer* success_report, TextBuffer* error_report) {
    out.reset();
    if (planned_count < 1 || !base || !template_view || entries.size() < static_cast<size_t>(planned_count)) {
        report_line(error_report, "Invalid append-builder arguments.");
        return false;
    }
    if (base_length == 0 || base_length % kRecordSize != 0) {
        report_line(error_report, "Base SFMCONF.DAT is invalid.");
        return false;
    }
    const uint32_t existing = base_length / kRecordSize;
    const uint32_t planned = static_cast<uint32_t>(planned_count);
    if (existing + planned > kMaxConferences) {
        report_line(error_report, "The append plan would exceed Spitfire's 784-conference limit.");
        return false;
    }
    for (uint32_t i = 0; i < planned; ++i) {
        const PlanEntry& e = entries[i];
        if (e.tag.empty() || e.tag.size() > rec::kNetIdMax || e.name.empty() || e.name.size() > rec::kNameMax) {
            report_line(error_report, "Invalid area identity at append item " + dec(i + 1) + ".");
            return false;
        }
        for (uint32_t j = 0; j < i; ++j) {
            if (equals_nocase(entries[j].tag, e.tag)) {
                report_line(error_report, "Duplicate append tag: " + e.tag);
                return false;
            }
        }
    }

    {
        std::vector<ConferenceView> existing_views;
        if (!try_reserve(existing_views, existing)) {
            report_line(error_report, "Out of memory validating append plan.");
            return false;
        }
        if (!decode_conference_file(base, base_length, existing_views, error_report)) return false;
        for (uint32_t i = 0; i < planned; ++i) {
            for (const ConferenceView& v : existing_views) {
                if (!v.net_id.empty() && equals_nocase(v.net_id, entries[i].tag)) {
                    report_line(error_report, "Echo tag already exists: " + entries[i].tag);
                    return false;
                }
            }
        }
    }

    const uint32_t total = existing + planned;
    ByteBuffer staged;
    if (!staged.allocate(platform, total * kRecordSize)) {
        report_line(error_report, "Out of memory building staged SFMCONF.DAT.");
        return false;
    }
    std::memcpy(staged.data(), base, base_length);
    for (uint32_t i = 0; i < planned; ++i)
        if (!write_new_record(staged.data() + base_length + i * kRecordSize, template_view->raw, snapshot, entries[i]))
            return false;

    std::vector<ConferenceView> staged_views;
    if (!try_reserve(staged_views, total)) {
        report_line(error_report, "Out of memory validating staged records.");
        return false;
    }
    if (!decode_conference_file(staged.data(), staged.size(), staged_views, error_report) || staged_views.size() != total)
        return false;
    for (uint32_t i = 0; i < planned; ++i) {
        if (!record_matches(staged_views[existing + i], template_view->raw, snapshot, entries[i])) {
            report_line(error_report, "Staged record validation failed for tag: " + entries[i].tag);
            return false;
        }
    }
    if (success_report)
        success_report->append_line("Built staged SFMCONF.DAT: " + dec(existing) + " existing + " + dec(planned) +
                                    " appended = " + dec(total) + " records (128 bytes each).");
    out = std::move(staged);
    return true;
}

}  // namespace marlinth
