#include "spitfire/conference.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "core/strings.h"

namespace marlinth {

namespace {

std::string decode_text(const uint8_t* record, size_t length_offset, size_t text_offset, size_t maximum) {
    size_t length = record[length_offset];
    if (length > maximum) length = maximum;
    std::string text = bounded(std::string_view(reinterpret_cast<const char*>(record + text_offset), length), maximum);
    trim_text(text);
    return text;
}

}  // namespace

void decode_conference_record(const uint8_t* bytes, uint32_t number, ConferenceView& view) {
    view = ConferenceView();
    view.number = number;
    std::memcpy(view.raw.data(), bytes, kRecordSize);
    view.name = decode_text(bytes, rec::kNameLength, rec::kName, rec::kNameMax);
    view.net_id = decode_text(bytes, rec::kNetIdLength, rec::kNetId, rec::kNetIdMax);
    view.conference_security = static_cast<int16_t>(get_u16(bytes + rec::kConferenceSecurity));
    view.message_entry_security = static_cast<int16_t>(get_u16(bytes + rec::kMessageEntrySecurity));
    view.netmail = bytes[rec::kNetMail];
    view.access_exact = bytes[rec::kAccessExact];
    view.public_only = bytes[rec::kPublicOnly];
    view.caller_delete = bytes[rec::kCallerDelete];
    view.purge_unreceived = bytes[rec::kPurgeUnreceived];
    view.purge_days = get_u16(bytes + rec::kPurgeDays);
    view.purge_old_thread = bytes[rec::kPurgeOldThread];
    view.max_msg_length = get_u16(bytes + rec::kMaxMsgLength);
    view.template_byte = bytes[rec::kTemplateByte];
    for (size_t i = 0; i < 5; ++i) view.privileged[i] = static_cast<int16_t>(get_u16(bytes + rec::kPrivileged + 2 * i));
    view.allow_routing = bytes[rec::kAllowRouting];
    view.mark_as_sent = bytes[rec::kMarkAsSent];
}

bool decode_conference_file(const uint8_t* bytes, uint32_t size, std::vector<ConferenceView>& views, TextBuffer* report) {
    views.clear();
    if (size == 0 || size % kRecordSize != 0) {
        if (report) report->append_line("SFMCONF.DAT size is not a nonzero multiple of 128 bytes.");
        return false;
    }
    if (size > kMaxConferenceFileSize) {
        if (report) report->append_line("SFMCONF.DAT contains more than 784 conferences.");
        return false;
    }
    const uint32_t count = size / kRecordSize;
    views.resize(count);
    for (uint32_t i = 0; i < count; ++i) decode_conference_record(bytes + i * kRecordSize, i + 1, views[i]);
    return true;
}

bool encode_text_field(uint8_t* record, size_t offset, size_t maximum, std::string_view text) {
    if (text.size() > maximum) return false;
    record[offset] = static_cast<uint8_t>(text.size());
    std::memset(record + offset + 1, 0, maximum);
    std::memcpy(record + offset + 1, text.data(), text.size());
    return true;
}

void format_conference_record(const ConferenceView& view, TextBuffer& out) {
    out.reset();
    out.append("Conference #");
    out.append_uint(view.number);
    out.append("  \"");
    out.append(view.name);
    out.append("\"  Net ID: ");
    out.append_line(view.net_id);
    out.append("Access security: ");
    out.append_int(view.conference_security);
    out.append("    Entry security: ");
    out.append_int(view.message_entry_security);
    out.append_line();
    out.append("NetMail=");
    out.append_uint(view.netmail);
    out.append(" PublicOnly=");
    out.append_uint(view.public_only);
    out.append(" AllowDelete=");
    out.append_uint(view.caller_delete);
    out.append(" Route=");
    out.append_uint(view.allow_routing);
    out.append(" MarkSent=");
    out.append_uint(view.mark_as_sent);
    out.append_line();
    out.append_line();
    for (size_t row = 0; row < 8; ++row) {
        const uint8_t* bytes = view.raw.data() + row * 16;
        out.append_hex_byte(static_cast<uint8_t>(row * 16));
        out.append("  ");
        for (size_t i = 0; i < 16; ++i) {
            out.append_hex_byte(bytes[i]);
            out.append_char(' ');
            if (i == 7) out.append_char(' ');
        }
        out.append(" |");
        for (size_t i = 0; i < 16; ++i) out.append_char((bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.');
        out.append_line("|");
    }
}

bool is_echo_like(const ConferenceView& view) {
    return !view.net_id.empty() && (view.netmail != 0 || view.allow_routing != 0);
}

int most_common_echo_like(const std::vector<ConferenceView>& views) {
    // Count each distinct settings block once, then pick the block with the highest count;
    // its first holder in file order wins ties, as a lowest-number rule demands.
    using Block = std::array<uint8_t, rec::kSettingsBlockEnd - rec::kSettingsBlockBegin>;
    std::map<Block, uint32_t> counts;
    std::vector<Block> blocks(views.size());
    for (size_t i = 0; i < views.size(); ++i) {
        if (!is_echo_like(views[i])) continue;
        std::copy(views[i].raw.begin() + rec::kSettingsBlockBegin, views[i].raw.begin() + rec::kSettingsBlockEnd,
                  blocks[i].begin());
        ++counts[blocks[i]];
    }
    int best = -1;
    uint32_t best_count = 0;
    for (size_t i = 0; i < views.size(); ++i) {
        if (!is_echo_like(views[i])) continue;
        uint32_t count = counts[blocks[i]];
        if (count > best_count) {
            best_count = count;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace marlinth
