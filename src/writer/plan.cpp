#include "writer/plan.h"

#include "core/strings.h"
#include "core/version.h"
#include "settings/settings.h"

namespace marlinth {

namespace {

const char* yes_no(uint8_t on) { return on ? "Yes" : "No"; }

// Plain text lines ending CR LF, built apart from the Plan buffer so that a refused plan leaves
// the previous one in place.
class Lines {
public:
    void append_line(const std::string& text = std::string()) { text_ += text + "\r\n"; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace

void collect_plan_entries(const AreaPreview& preview, DryRunPlan& plan) {
    plan.entries.clear();
    for (const ImportedArea& a : preview.areas) {
        if (plan.entries.size() >= kMaxPlanEntries) break;
        if (a.ready()) plan.entries.push_back({bounded(a.echo_tag, 15), bounded(a.proposed_name, 40)});
    }
    plan.planned_count = static_cast<int32_t>(plan.entries.size());
}

std::string plan_report(const ConferenceBaseline& baseline, const AreaPreview& preview, const ProposedSettings& s,
                        const std::string& na_path) {
    Lines p;
    const ConferenceView& t = baseline.conferences[static_cast<size_t>(s.template_index)];
    p.append_line(MARLINTH_NAMED_VERSION " DRY-RUN CONFERENCE PLAN");
    p.append_line(std::string(39, '='));
    p.append_line("MODE: DRY RUN - this plan does not modify Spitfire data.");
    p.append_line("Source .NA: " + na_path);
    p.append_line("Network: " + preview.network_name);
    p.append_line("Template: Conference #" + dec(static_cast<uint64_t>(s.template_index) + 1) + " - " + t.name);
    p.append_line("Template Net ID: " + t.net_id);
    p.append_line();
    p.append_line("PROPOSED COMMON SETTINGS");
    p.append_line(std::string(24, '-'));
    p.append_line("Conference Security: " + sdec(s.conference_security));
    p.append_line("Message Entry Security: " + sdec(s.message_entry_security));
    p.append_line(std::string("Conference Access: ") + (s.access_exact ? "Exactly Equal" : "Equal or Greater"));
    p.append_line(std::string("Public Messages Only: ") + yes_no(s.public_only));
    p.append_line(std::string("Net-Mail Conference: ") + yes_no(s.netmail));
    p.append_line(std::string("Allow Message Routing: ") + yes_no(s.routing));
    p.append_line("Maximum Msg Length: " + dec(s.max_msg_length));
    p.append_line("Purge Msgs Older Than: " + dec(s.purge_days) + " days");
    p.append_line(std::string("Caller Message Deletion: ") + yes_no(s.caller_delete));
    p.append_line(std::string("Purge Unreceived Msg: ") + yes_no(s.purge_unreceived));
    p.append_line(std::string("Purge Old Thread Msg: ") + yes_no(s.purge_old_thread));
    p.append_line("Privileged Securities: " + format_privileged(s.privileged));
    p.append_line("Preserve from template: ReadOnly, MarkAsSent, Extra[46], and all reserved bytes.");
    p.append_line();
    p.append_line("AREAS INCLUDED IN APPEND PLAN");
    p.append_line(std::string(29, '-'));
    uint32_t number = baseline.count();
    uint32_t included = 0, awaiting = 0, blocked = 0;
    for (const ImportedArea& a : preview.areas) {
        if (a.blocked) {
            ++blocked;
        } else if (a.needs_review) {
            ++awaiting;
        } else {
            ++included;
            p.append_line("Conference #" + dec(++number) + "  Tag=" + a.echo_tag + "  Name=\"" + a.proposed_name + "\"");
        }
    }
    p.append_line();
    p.append_line("EXCLUSIONS");
    p.append_line(std::string(10, '-'));
    p.append_line("Included: " + dec(included));
    p.append_line("Needs sysop name approval (excluded; numbering is provisional): " + dec(awaiting));
    p.append_line("Blocked compatibility errors: " + dec(blocked));
    p.append_line("No files were changed. v" MARLINTH_VERSION " requires a separate offline preflight, mandatory backups, staged "
                  "verification, typed YES, and rollback before committing.");
    return p.text();
}

std::string plan_signature_text(const ConferenceBaseline& baseline, const SourceFingerprint& source, const std::string& na_path,
                                const SetupState& setup, const ProposedSettings& s, const std::vector<PlanEntry>& entries) {
    std::string t;
    auto line = [&t](const std::string& text) { t += text + "\r\n"; };
    line("MCONF=" + sha256_hex(baseline.bytes.data(), baseline.size()));
    line("NAHASH=" + sha256_hex(source.digest));
    line("NASIZE=" + dec(source.size));
    line("NODES=" + sdec(setup.nodes.count));
    for (int i = 1; i <= setup.nodes.count && i <= kMaxNodes; ++i)
        line("NODE" + dec(static_cast<uint64_t>(i)) + "=" + setup.nodes.dir[i]);
    line("MSGDIR=" + setup.message_dir);
    line("NAFILE=" + na_path);
    line("TEMPLATE=" + sdec(s.template_index));
    line("SET=" + sdec(s.conference_security) + "," + sdec(s.message_entry_security) + "," + dec(s.access_exact) + "," +
         dec(s.public_only) + "," + dec(s.netmail) + "," + dec(s.routing) + "," + dec(s.max_msg_length) + "," +
         dec(s.purge_days) + "," + dec(s.caller_delete) + "," + dec(s.purge_unreceived) + "," + dec(s.purge_old_thread) +
         "," + sdec(s.privileged[0]) + "," + sdec(s.privileged[1]) + "," + sdec(s.privileged[2]) + "," +
         sdec(s.privileged[3]) + "," + sdec(s.privileged[4]));
    for (const PlanEntry& e : entries) line("AREA=" + e.tag + "|" + e.name);
    return t;
}

}  // namespace marlinth
