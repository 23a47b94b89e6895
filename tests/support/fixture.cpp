#include "support/fixture.h"

#include <cstring>
#include <random>
#include <stdexcept>

#include "core/files.h"
#include "core/strings.h"

namespace marlinth::test {

RawRecord make_record(const ConferenceSpec& wanted) {
    RawRecord r{};
    uint8_t* p = r.data();
    if (wanted.extra_fill >= 0) {
        const uint8_t fill = static_cast<uint8_t>(wanted.extra_fill);
        p[rec::kTemplateByte] = fill;
        std::memset(p + rec::kExtra, fill, rec::kExtraLength);
        p[rec::kMarkAsSent] = fill;
    }
    put_u16(p + rec::kConferenceSecurity, static_cast<uint16_t>(wanted.conference_security));
    p[rec::kNetMail] = wanted.netmail;
    encode_text_field(p, rec::kNameLength, rec::kNameMax, wanted.name.substr(0, rec::kNameMax));
    p[rec::kAccessExact] = wanted.access_exact;
    p[rec::kPublicOnly] = wanted.public_only;
    p[rec::kCallerDelete] = wanted.caller_delete;
    p[rec::kPurgeUnreceived] = wanted.purge_unreceived;
    put_u16(p + rec::kPurgeDays, wanted.purge_days);
    p[rec::kPurgeOldThread] = wanted.purge_old_thread;
    put_u16(p + rec::kMaxMsgLength, wanted.max_msg_length);
    for (size_t i = 0; i < 5; ++i) put_u16(p + rec::kPrivileged + 2 * i, static_cast<uint16_t>(wanted.privileged[i]));
    put_u16(p + rec::kMessageEntrySecurity, static_cast<uint16_t>(wanted.message_entry_security));
    p[rec::kAllowRouting] = wanted.allow_routing;
    if (wanted.extra_fill < 0) p[rec::kMarkAsSent] = wanted.mark_as_sent;
    encode_text_field(p, rec::kNetIdLength, rec::kNetIdMax, wanted.net_id.substr(0, rec::kNetIdMax));
    return r;
}

std::vector<uint8_t> make_conference_file(const std::vector<ConferenceSpec>& specs) {
    std::vector<uint8_t> out;
    for (const ConferenceSpec& wanted : specs) {
        RawRecord r = make_record(wanted);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

std::vector<ConferenceSpec> echo_conferences(int n) {
    std::vector<ConferenceSpec> specs;
    for (int i = 1; i <= n; ++i) {
        ConferenceSpec s;
        s.name = "Echo Conference " + std::to_string(i);
        s.net_id = "ECHO" + std::to_string(i);
        specs.push_back(s);
    }
    return specs;
}

std::vector<uint8_t> make_ptr(const std::vector<PtrRecordSpec>& records) {
    std::vector<uint8_t> out(records.size() * 256, 0);
    for (size_t i = 0; i < records.size(); ++i) {
        uint8_t* p = out.data() + i * 256;
        p[0x9B] = records[i].thread;
        p[0x9C] = records[i].root;
        p[0x9E] = records[i].deleted;
        put_u32(p + 0xA6, records[i].number);
        put_u32(p + 0xAA, records[i].root_number);
    }
    return out;
}

std::vector<uint8_t> make_idx(const std::vector<IdxRecordSpec>& records) {
    std::vector<uint8_t> out(records.size() * 16, 0);
    for (size_t i = 0; i < records.size(); ++i) {
        put_u32(out.data() + i * 16 + 8, records[i].number);
        put_u32(out.data() + i * 16 + 12, records[i].root_number);
    }
    return out;
}

ThreadedMessages threaded_messages(uint32_t messages, uint32_t seed, uint32_t first_number, uint32_t max_thread) {
    ThreadedMessages out;
    out.ptr.resize(messages);
    out.idx.resize(messages);
    std::mt19937 rng(seed);
    // Thread roots are placed first; each reply then takes a later free slot of its thread.
    std::vector<uint32_t> root_of(messages, 0);
    std::vector<bool> taken(messages, false);
    uint32_t next_free = 0;
    while (next_free < messages) {
        const uint32_t root_slot = next_free;
        taken[root_slot] = true;
        root_of[root_slot] = root_slot;
        const uint32_t length = 1 + rng() % (max_thread == 0 ? 1 : max_thread);
        uint32_t cursor = root_slot;
        for (uint32_t k = 1; k < length; ++k) {
            cursor += 1 + rng() % 6;
            while (cursor < messages && taken[cursor]) ++cursor;
            if (cursor >= messages) break;
            taken[cursor] = true;
            root_of[cursor] = root_slot;
        }
        while (next_free < messages && taken[next_free]) ++next_free;
    }
    for (uint32_t i = 0; i < messages; ++i) {
        PtrRecordSpec& p = out.ptr[i];
        p.number = first_number + i;
        p.root_number = first_number + root_of[i];
        p.thread = 1;
        p.root = root_of[i] == i ? 1 : 0;
        p.deleted = (rng() % 20 == 0) ? 1 : 0;
        out.idx[i] = {p.number, p.deleted ? 0xFFFFFFFFu : p.root_number};
    }
    return out;
}

void FixtureBuilder::make_dir(const std::string& path) {
    if (path.empty() || is_directory(platform_, path)) return;
    std::string parent = parent_of(path);
    if (!parent.empty() && parent != path) make_dir(parent);
    if (!platform_.create_directory(path) && !is_directory(platform_, path))
        throw std::runtime_error("fixture: cannot create directory " + path);
}

void FixtureBuilder::write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    make_dir(parent_of(path));
    ScopedHandle h(platform_, platform_.open(path, OpenMode::WriteTruncate));
    if (!h.valid()) throw std::runtime_error("fixture: cannot write " + path);
    uint32_t written = 0;
    if (!bytes.empty() && (!platform_.write(h.get(), bytes.data(), static_cast<uint32_t>(bytes.size()), written) ||
                           written != bytes.size()))
        throw std::runtime_error("fixture: short write " + path);
}

void FixtureBuilder::write_text(const std::string& path, const std::string& text) {
    write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> FixtureBuilder::read_file(const std::string& path) {
    ByteBuffer data;
    if (!read_file_capped(platform_, path, data, 0xFFFFFFFFu, nullptr)) return {};
    return std::vector<uint8_t>(data.data(), data.data() + data.size());
}

bool FixtureBuilder::exists(const std::string& path) { return platform_.attributes(path).exists; }

void FixtureBuilder::remove_file(const std::string& path) { platform_.delete_file(path); }

void FixtureBuilder::write_whoson(const std::string& path, const std::vector<int16_t>& users, uint8_t mode) {
    std::vector<uint8_t> bytes(users.size() * 6, 0);
    for (size_t i = 0; i < users.size(); ++i) {
        put_u16(bytes.data() + i * 6, static_cast<uint16_t>(users[i]));
        bytes[i * 6 + 2] = mode;
    }
    write_file(path, bytes);
}

void FixtureBuilder::make_node(const std::string& dir, const std::vector<uint8_t>& conference_file, int whoson_records) {
    std::string path;
    make_dir(dir);
    join_path(path, 4096, dir, "SFMCONF.DAT");
    write_file(path, conference_file);
    join_path(path, 4096, dir, "SPITFIRE.EXE");
    write_text(path, "MZ placeholder for the BBS program\r\n");
    join_path(path, 4096, dir, "SPITFIRE.OVR");
    write_text(path, "overlay placeholder\r\n");
    std::string work;
    join_path(work, 4096, dir, "WORK");
    join_path(path, 4096, work, "SFWHOSON.DAT");
    write_whoson(path, std::vector<int16_t>(static_cast<size_t>(whoson_records), -1));
}

void FixtureBuilder::make_message_base(const std::string& message_dir, uint32_t number, const MessageBaseSpec& wanted) {
    std::vector<PtrRecordSpec> ptr;
    std::vector<IdxRecordSpec> idx;
    for (uint32_t i = 0; i < wanted.messages; ++i) {
        PtrRecordSpec p;
        p.number = i + 1;
        const uint32_t thread_root = (i / 4) * 4 + 1;
        p.thread = 1;
        p.root = (i % 4 == 0) ? 1 : 0;
        p.root_number = thread_root;
        ptr.push_back(p);
        idx.push_back({p.number, p.root_number});
    }
    switch (wanted.shape) {
    case ThreadShape::Healthy:
        break;
    case ThreadShape::OrphanReply:
        if (!ptr.empty()) {
            ptr.back().root = 0;
            ptr.back().root_number = 999999;
            idx.back().root_number = 999999;
        }
        break;
    case ThreadShape::WarnMismatch:
        if (!idx.empty()) idx[0].number += 5;
        break;
    }
    std::string path;
    if (message_file_path(message_dir, number, MessageFile::Ptr, path)) write_file(path, make_ptr(ptr));
    if (message_file_path(message_dir, number, MessageFile::Idx, path)) write_file(path, make_idx(idx));
    if (message_file_path(message_dir, number, MessageFile::Dat, path))
        write_file(path, std::vector<uint8_t>(wanted.messages * 128u, 0x20));
    if (message_file_path(message_dir, number, MessageFile::Lmr, path))
        write_file(path, std::vector<uint8_t>(64, 0));
    if (wanted.with_sig && message_file_path(message_dir, number, MessageFile::Sig, path))
        write_file(path, std::vector<uint8_t>(32, 0));
}

void FixtureBuilder::write_message_family(const std::string& message_dir, uint32_t number,
                                          const MessageFamily& family) {
    const std::optional<std::vector<uint8_t>>* files[kMessageFileKinds] = {&family.ptr, &family.idx, &family.dat,
                                                                           &family.lmr, &family.sig};
    for (int k = 0; k < kMessageFileKinds; ++k) {
        std::string path;
        if (!message_file_path(message_dir, number, static_cast<MessageFile>(k), path))
            throw std::runtime_error("fixture: message path too long in " + message_dir);
        if (files[k]->has_value())
            write_file(path, **files[k]);
        else if (exists(path))
            remove_file(path);
    }
}

void FixtureBuilder::patch_byte(const std::string& path, size_t offset, uint8_t value) {
    std::vector<uint8_t> bytes = read_file(path);
    if (offset >= bytes.size()) throw std::runtime_error("fixture: offset beyond the end of " + path);
    bytes[offset] = value;
    write_file(path, bytes);
}

void FixtureBuilder::make_empty_message_bases(const std::string& message_dir, uint32_t first, uint32_t last) {
    for (uint32_t n = first; n <= last; ++n) {
        for (MessageFile kind : {MessageFile::Ptr, MessageFile::Idx, MessageFile::Dat, MessageFile::Lmr}) {
            std::string path;
            if (message_file_path(message_dir, n, kind, path)) write_file(path, {});
        }
    }
}

Installation build_installation(Platform& platform, const std::string& root, const InstallationSpec& wanted) {
    FixtureBuilder fb(platform);
    Installation inst;
    inst.root = root;
    fb.make_dir(root);
    const std::vector<uint8_t> conf = make_conference_file(wanted.conferences);
    for (int i = 1; i <= wanted.nodes; ++i) {
        std::string dir;
        join_path(dir, 4096, root, i == 1 ? std::string("SF") : "SF" + std::to_string(i));
        fb.make_node(dir, conf);
        inst.nodes.push_back(dir);
    }
    join_path(inst.message_dir, 4096, root, "MESSAGE");
    fb.make_dir(inst.message_dir);
    for (uint32_t n = 1; n <= wanted.conferences.size(); ++n) fb.make_message_base(inst.message_dir, n, wanted.message_base);
    join_path(inst.backup_root, 4096, root, "SF_BACKUPS");
    return inst;
}

Installation build_large_installation(Platform& platform, const std::string& root, const LargeInstallationSpec& wanted) {
    FixtureBuilder fb(platform);
    Installation inst;
    inst.root = root;
    fb.make_dir(root);
    const std::vector<uint8_t> conf = make_conference_file(echo_conferences(static_cast<int>(wanted.conferences)));
    for (int i = 1; i <= wanted.nodes; ++i) {
        std::string dir;
        join_path(dir, 4096, root, i == 1 ? std::string("SF") : "SF" + std::to_string(i));
        fb.make_node(dir, conf);
        inst.nodes.push_back(dir);
    }
    join_path(inst.message_dir, 4096, root, "MESSAGE");
    fb.make_dir(inst.message_dir);
    const std::vector<uint8_t> dat(static_cast<size_t>(wanted.messages_per_conference) * 128u, 0x20);
    for (uint32_t n = 1; n <= wanted.conferences; ++n) {
        ThreadedMessages m = threaded_messages(wanted.messages_per_conference, wanted.seed + n);
        MessageFamily family;
        family.ptr = make_ptr(m.ptr);
        family.idx = make_idx(m.idx);
        family.dat = dat;
        family.lmr = std::vector<uint8_t>(64, 0);
        fb.write_message_family(inst.message_dir, n, family);
    }
    join_path(inst.backup_root, 4096, root, "SF_BACKUPS");
    return inst;
}

std::string config_text_for(const Installation& inst, bool use_quarro, const std::string& quarro_cfg) {
    std::string out = "; Marlinth portable configuration\r\nVERSION=2\r\n";
    out += "NODECOUNT=" + std::to_string(inst.nodes.size()) + "\r\n";
    for (size_t i = 0; i < inst.nodes.size(); ++i) out += "NODE" + std::to_string(i + 1) + "=" + inst.nodes[i] + "\r\n";
    out += "MSGDIR=" + inst.message_dir + "\r\n";
    out += std::string("USEQUARRO=") + (use_quarro ? "1" : "0") + "\r\n";
    out += "QUARROCFG=" + quarro_cfg + "\r\n";
    out += "REPORTDIR=\r\n";
    out += "BACKUPROOT=" + inst.backup_root + "\r\n";
    return out;
}

}  // namespace marlinth::test
