// Message-base validation: for each conference, which SFMSGnn files exist, whether their sizes
// are whole records, whether .PTR and .IDX agree record for record, and whether thread links
// point at messages that exist. Nothing is written; every file is opened for shared reading.
#include "spitfire/message_base.h"

#include <algorithm>

#include "core/files.h"
#include "core/strings.h"

namespace marlinth {

namespace {

const uint8_t* ptr_record(const uint8_t* ptr, uint32_t i) { return ptr + static_cast<size_t>(i) * msg::kPtrRecord; }

// Which values a list of 32-bit numbers holds, and which it holds more than once. A conference
// can hold 262,144 messages, so the thread-link checks must not scan the file once per message.
// Message numbers are nearly always a dense range, so a bitmap over that range answers in one
// step; values spread too thinly for a bitmap are sorted and searched instead.
class NumberIndex {
public:
    // False when memory is short.
    bool build(Platform& platform, const uint32_t* values, uint32_t count, bool want_repeats) {
        if (count == 0) return true;
        uint32_t low = 0xFFFFFFFFu, high = 0;
        for (uint32_t i = 0; i < count; ++i) {
            low = std::min(low, values[i]);
            high = std::max(high, values[i]);
        }
        const uint64_t span = static_cast<uint64_t>(high) - low + 1;
        if (span <= std::max<uint64_t>(32ull * count, 65536))
            return build_bitmaps(platform, values, count, low, span, want_repeats);
        return build_sorted(platform, values, count);
    }

    bool contains(uint32_t v) const {
        if (sorted_count_ > 0) return std::binary_search(sorted(), sorted() + sorted_count_, v);
        return in_bitmap(seen_, v);
    }

    // True when the value is held at least twice.
    bool repeated(uint32_t v) const {
        if (sorted_count_ > 0) {
            const uint32_t* end = sorted() + sorted_count_;
            const uint32_t* at = std::lower_bound(sorted(), end, v);
            return at != end && at + 1 != end && at[0] == v && at[1] == v;
        }
        return in_bitmap(repeats_, v);
    }

private:
    const uint32_t* sorted() const { return reinterpret_cast<const uint32_t*>(seen_.data()); }

    bool in_bitmap(const ByteBuffer& bits, uint32_t v) const {
        if (bits.empty() || v < base_ || static_cast<uint64_t>(v) - base_ >= span_) return false;
        const uint64_t bit = static_cast<uint64_t>(v) - base_;
        return (reinterpret_cast<const uint64_t*>(bits.data())[bit >> 6] >> (bit & 63)) & 1u;
    }

    bool build_bitmaps(Platform& platform, const uint32_t* values, uint32_t count, uint32_t low, uint64_t span,
                       bool want_repeats) {
        const uint32_t bytes = static_cast<uint32_t>(((span + 63) >> 6) * 8);
        if (!seen_.allocate(platform, bytes)) return false;
        if (want_repeats && !repeats_.allocate(platform, bytes)) return false;
        base_ = low;
        span_ = span;
        uint64_t* seen = reinterpret_cast<uint64_t*>(seen_.data());
        uint64_t* repeats = reinterpret_cast<uint64_t*>(repeats_.data());
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t bit = static_cast<uint64_t>(values[i]) - low;
            const uint64_t mask = 1ull << (bit & 63);
            if (want_repeats && (seen[bit >> 6] & mask)) repeats[bit >> 6] |= mask;
            seen[bit >> 6] |= mask;
        }
        return true;
    }

    bool build_sorted(Platform& platform, const uint32_t* values, uint32_t count) {
        if (!seen_.allocate(platform, count * 4u)) return false;
        uint32_t* copy = reinterpret_cast<uint32_t*>(seen_.data());
        std::copy(values, values + count, copy);
        std::sort(copy, copy + count);
        sorted_count_ = count;
        return true;
    }

    uint32_t base_ = 0;
    uint64_t span_ = 0;
    ByteBuffer seen_;     // the bitmap of values held, or the sorted values
    ByteBuffer repeats_;  // the bitmap of values held twice or more
    uint32_t sorted_count_ = 0;
};

// What a threaded message asks of the other records.
enum LinkQuery : uint8_t {
    kNoQuery = 0,
    kRootShared = 1,  // a root: does any other record name the same root?
    kRootExists = 2,  // a reply: does any record carry its root's number?
};

// The same questions answered by looking at every number (when no index can be had).
bool held_twice(const uint32_t* values, uint32_t count, uint32_t v) {
    uint32_t holders = 0;
    for (uint32_t j = 0; j < count && holders < 2; ++j)
        if (values[j] == v) ++holders;
    return holders >= 2;
}

bool held(const uint32_t* values, uint32_t count, uint32_t v) {
    return std::find(values, values + count, v) != values + count;
}

// The numbers of every PTR record, their root numbers and the link question of each checked
// record, taken in one pass over the .PTR image: the image is tens of megabytes and touching it
// once is what the checks cost; everything after works on these few bytes per message.
class LinkFields {
public:
    bool take(Platform& platform, uint32_t records, uint32_t checked) {
        if (records > 0xFFFFFFFFu / 9) return false;
        if (!block_.allocate(platform, records * 8u + checked)) return false;
        records_ = records;
        return true;
    }
    bool taken() const { return !block_.empty(); }
    uint32_t* numbers() { return reinterpret_cast<uint32_t*>(block_.data()); }
    uint32_t* roots() { return numbers() + records_; }
    uint8_t* queries() { return block_.data() + static_cast<size_t>(records_) * 8; }

private:
    ByteBuffer block_;
    uint32_t records_ = 0;
};

// The link question of record i answered straight from the .PTR image, one scan per question.
bool scan_ptr(const uint8_t* ptr, uint32_t records, size_t offset, uint32_t v, bool twice) {
    uint32_t holders = 0;
    for (uint32_t j = 0; j < records; ++j)
        if (get_u32(ptr_record(ptr, j) + offset) == v && ++holders >= (twice ? 2u : 1u)) return true;
    return false;
}

// Opens one file for shared reading and takes its size; absent when either fails. The handle
// stays open for the caller, which reads the file from it: one open per file, each of which an
// antivirus scanner on a sysop's box looks at.
Platform::Handle probe_file(Platform& platform, const std::string& path, bool& present, uint32_t& size, uint64_t& bytes) {
    present = false;
    size = 0;
    bytes = 0;
    if (path.empty()) return Platform::kInvalidHandle;
    Platform::Handle file = platform.open(path, OpenMode::ReadShared);
    if (file == Platform::kInvalidHandle) return file;
    if (!platform.file_size(file, bytes)) {
        platform.close(file);
        return Platform::kInvalidHandle;
    }
    present = true;
    size = bytes >= 0x100000000ull ? msg::kHugeSize : static_cast<uint32_t>(bytes);
    return file;
}

void append_size(TextBuffer& report, const char* label, const MessageBaseResult& r, MessageFile kind,
                 const char* absent) {
    report.append(label);
    const int k = static_cast<int>(kind);
    if (r.present[k])
        report.append_uint(r.size[k]);
    else
        report.append(absent);
}

void validate_one(Platform& platform, const std::string& message_dir, uint32_t number, MessageBaseResult& r,
                  bool& missing) {
    r = MessageBaseResult();
    const int P = static_cast<int>(MessageFile::Ptr), I = static_cast<int>(MessageFile::Idx);
    // .PTR and .IDX stay open to be read; the other files are only looked at.
    std::string ptr_path, idx_path;
    uint64_t ptr_bytes = 0, idx_bytes = 0;
    ScopedHandle ptr_file(platform, Platform::kInvalidHandle), idx_file(platform, Platform::kInvalidHandle);
    for (int k = 0; k < kMessageFileKinds; ++k) {
        std::string path;
        if (!message_file_path(message_dir, number, static_cast<MessageFile>(k), path)) path.clear();
        uint64_t bytes = 0;
        const Platform::Handle file = probe_file(platform, path, r.present[k], r.size[k], bytes);
        if (k == P) ptr_file.adopt(file), ptr_path = path, ptr_bytes = bytes;
        else if (k == I) idx_file.adopt(file), idx_path = path, idx_bytes = bytes;
        else if (file != Platform::kInvalidHandle) platform.close(file);
    }
    const int D = static_cast<int>(MessageFile::Dat), L = static_cast<int>(MessageFile::Lmr);

    if (!r.present[P] || !r.present[I] || !r.present[D] || !r.present[L]) {
        r.status = "ERROR: missing required file(s)";
        r.error = true;
        missing = true;
        return;
    }
    if (r.size[P] == msg::kHugeSize || r.size[I] == msg::kHugeSize || r.size[D] == msg::kHugeSize) {
        r.status = "FATAL: file is 4GB or larger";
        r.error = true;
        return;
    }
    if (r.size[D] % msg::kDatRecord != 0 || r.size[I] % msg::kIdxRecord != 0 || r.size[P] % msg::kPtrRecord != 0) {
        r.status = "FATAL: invalid record-size multiple";
        r.error = true;
    }
    r.slots = r.size[P] / msg::kPtrRecord;
    r.idx_records = r.size[I] / msg::kIdxRecord;
    r.dat_records = r.size[D] / msg::kDatRecord;
    if (r.slots != r.idx_records) {
        r.status = "FATAL: PTR/IDX record mismatch";
        r.error = true;
    }

    bool unreadable = false;
    if (r.size[I] <= msg::kMaxIdxBytes && r.size[P] <= msg::kMaxPtrBytes) {
        ByteBuffer ptr, idx;
        if (read_open_file(platform, ptr_file.get(), ptr_bytes, ptr_path, ptr, msg::kMaxPtrBytes, nullptr) &&
            read_open_file(platform, idx_file.get(), idx_bytes, idx_path, idx, msg::kMaxIdxBytes, nullptr)) {
            check_message_records(platform, ptr.data(), r.slots, idx.data(), r.idx_records, r);
        } else {
            // Records that could not be read prove nothing: never OK.
            unreadable = true;
        }
    }

    if (unreadable && !r.error) {
        r.status = "ERROR: message base file(s) could not be read";
        r.error = true;
    }
    if (r.danger > 0) {
        r.status = "DANGER: invalid thread linkage";
        r.error = true;
    } else if (!r.error) {
        r.status = r.warn > 0 ? "WARN: PTR/IDX differences" : "OK";
    }
}

}  // namespace

void check_message_records(Platform& platform, const uint8_t* ptr, uint32_t ptr_records, const uint8_t* idx,
                           uint32_t idx_records, MessageBaseResult& r) {
    r.active = r.deleted = r.danger = r.warn = r.normal_roots = 0;
    const uint32_t checked = std::min(ptr_records, idx_records);
    LinkFields fields;
    fields.take(platform, ptr_records, checked);
    bool any_root_query = false, any_reply_query = false;

    for (uint32_t i = 0; i < ptr_records; ++i) {
        const uint8_t* p = ptr_record(ptr, i);
        const uint32_t number = get_u32(p + msg::kPtrNumber);
        const uint32_t root = get_u32(p + msg::kPtrRootNumber);
        if (fields.taken()) {
            fields.numbers()[i] = number;
            fields.roots()[i] = root;
        }
        if (i >= checked) continue;

        const uint8_t* x = idx + static_cast<size_t>(i) * msg::kIdxRecord;
        const bool deleted = p[msg::kPtrDeleted] != 0;
        if (deleted)
            ++r.deleted;
        else
            ++r.active;
        // Numbers are unsigned 32-bit, so "minus 1" wraps at 0 as the files' own arithmetic does.
        const uint32_t idx_number = get_u32(x + msg::kIdxNumber);
        const uint32_t idx_root = get_u32(x + msg::kIdxRootNumber);
        const bool numbers_agree = idx_number == number || idx_number == number - 1u;
        const bool roots_agree = idx_root == root || idx_root == root - 1u || (deleted && idx_root == 0xFFFFFFFFu);
        if (!(numbers_agree && roots_agree)) ++r.warn;

        LinkQuery query = kNoQuery;
        if (p[msg::kPtrThread] == 1) {
            if (root != number)
                query = kRootExists;
            else if (p[msg::kPtrRoot] == 0)
                ++r.danger;
            else
                query = kRootShared;
        }
        if (fields.taken()) {
            fields.queries()[i] = query;
            any_root_query |= query == kRootShared;
            any_reply_query |= query == kRootExists;
        } else if (query == kRootShared) {
            if (scan_ptr(ptr, ptr_records, msg::kPtrRootNumber, root, true)) ++r.normal_roots;
        } else if (query == kRootExists) {
            if (!scan_ptr(ptr, ptr_records, msg::kPtrNumber, root, false)) ++r.danger;
        }
    }
    if (!fields.taken()) return;

    const uint32_t* numbers = fields.numbers();
    const uint32_t* roots = fields.roots();
    const uint8_t* queries = fields.queries();
    NumberIndex number_index, root_index;
    const bool by_number = any_reply_query && number_index.build(platform, numbers, ptr_records, false);
    const bool by_root = any_root_query && root_index.build(platform, roots, ptr_records, true);
    for (uint32_t i = 0; i < checked; ++i) {
        if (queries[i] == kRootShared) {
            if (by_root ? root_index.repeated(roots[i]) : held_twice(roots, ptr_records, roots[i])) ++r.normal_roots;
        } else if (queries[i] == kRootExists) {
            if (!(by_number ? number_index.contains(roots[i]) : held(numbers, ptr_records, roots[i]))) ++r.danger;
        }
    }
}

void append_message_base_lines(TextBuffer& report, uint32_t number, const MessageBaseResult& r) {
    report.append("CONF ");
    report.append(dec2(number));
    report.append("  [");
    report.append(r.status);
    report.append_line("]");
    append_size(report, "  PTR=", r, MessageFile::Ptr, "MISSING");
    append_size(report, " IDX=", r, MessageFile::Idx, "MISSING");
    append_size(report, " DAT=", r, MessageFile::Dat, "MISSING");
    append_size(report, " LMR=", r, MessageFile::Lmr, "MISSING");
    append_size(report, " SIG=", r, MessageFile::Sig, "none");
    report.append_line();
    report.append("  Slots=");
    report.append_uint(r.slots);
    report.append(" Active=");
    report.append_uint(r.active);
    report.append(" Deleted=");
    report.append_uint(r.deleted);
    report.append(" DAT records=");
    report.append_uint(r.dat_records);
    report.append(" Danger=");
    report.append_uint(r.danger);
    report.append(" Warn=");
    report.append_uint(r.warn);
    report.append(" Normal roots=");
    report.append_uint(r.normal_roots);
    report.append_line();
}

bool validate_message_base(Platform& platform, const std::string& message_dir, const std::vector<ConferenceView>& views,
                           std::vector<MessageBaseResult>& results, TextBuffer* report, bool& missing) {
    missing = false;
    results.clear();
    if (views.empty()) return true;
    results.resize(views.size());
    for (size_t i = 0; i < views.size(); ++i) {
        const uint32_t number = static_cast<uint32_t>(i + 1);
        validate_one(platform, message_dir, number, results[i], missing);
        if (report) append_message_base_lines(*report, number, results[i]);
    }
    return true;
}

}  // namespace marlinth
