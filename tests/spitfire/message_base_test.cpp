#include "spitfire/message_base.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/files.h"
#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using test::FaultPlatform;
using test::FixtureBuilder;
using test::IdxRecordSpec;
using test::make_idx;
using test::make_ptr;
using test::MessageFamily;
using test::Op;
using test::PtrRecordSpec;

// ---------------------------------------------------------------------------------------------
// The rule exactly as written, one scan of the file per threaded message. The fast check must
// give the same counts on every input.

struct Counts {
    uint32_t active = 0, deleted = 0, danger = 0, warn = 0, normal_roots = 0;
    bool operator==(const Counts& o) const {
        return active == o.active && deleted == o.deleted && danger == o.danger && warn == o.warn &&
               normal_roots == o.normal_roots;
    }
};

std::ostream& operator<<(std::ostream& os, const Counts& c) {
    return os << "{active " << c.active << ", deleted " << c.deleted << ", danger " << c.danger << ", warn " << c.warn
              << ", normal roots " << c.normal_roots << "}";
}

Counts literal_rule(const std::vector<uint8_t>& ptr, const std::vector<uint8_t>& idx) {
    Counts c;
    const size_t slots = ptr.size() / 256, idx_records = idx.size() / 16;
    auto number_of = [&](size_t j) { return get_u32(&ptr[j * 256 + 0xA6]); };
    auto root_of = [&](size_t j) { return get_u32(&ptr[j * 256 + 0xAA]); };
    for (size_t i = 0; i < std::min(slots, idx_records); ++i) {
        const uint8_t* p = &ptr[i * 256];
        const uint8_t* x = &idx[i * 16];
        const bool deleted = p[0x9E] != 0;
        if (!deleted)
            ++c.active;
        else
            ++c.deleted;
        const uint32_t pn = number_of(i), pr = root_of(i), in = get_u32(x + 8), ir = get_u32(x + 12);
        const bool agree = (in == pn || in == pn - 1u) && (ir == pr || ir == pr - 1u || (deleted && ir == 0xFFFFFFFFu));
        if (!agree) ++c.warn;
        if (p[0x9B] != 1) continue;
        if (pr == pn) {
            if (p[0x9C] == 0) {
                ++c.danger;
            } else {
                bool other = false;
                for (size_t j = 0; j < slots; ++j)
                    if (j != i && root_of(j) == pr) other = true;
                if (other) ++c.normal_roots;
            }
        } else {
            bool found = false;
            for (size_t j = 0; j < slots; ++j)
                if (number_of(j) == pr) found = true;
            if (!found) ++c.danger;
        }
    }
    return c;
}

Counts fast_rule(Platform& platform, const std::vector<uint8_t>& ptr, const std::vector<uint8_t>& idx) {
    MessageBaseResult r;
    r.active = r.danger = 77;  // must be overwritten
    check_message_records(platform, ptr.data(), static_cast<uint32_t>(ptr.size() / 256), idx.data(),
                          static_cast<uint32_t>(idx.size() / 16), r);
    return {r.active, r.deleted, r.danger, r.warn, r.normal_roots};
}

// Random message bases of every shape the rule distinguishes: numbers dense, shuffled, repeated,
// spread over the whole 32-bit range or bunched at 0 and 0xFFFFFFFF; roots that are the message
// itself, another message, a near miss or nothing; every flag value; IDX records that agree,
// are one below, or disagree; and .IDX files shorter or longer than .PTR.
struct RandomBase {
    std::vector<uint8_t> ptr, idx;
};

RandomBase random_base(std::mt19937& rng, uint32_t max_records) {
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    const uint32_t n = pick(max_records + 1);
    const uint32_t shape = pick(5);
    std::vector<uint32_t> numbers(n);
    for (uint32_t i = 0; i < n; ++i) {
        switch (shape) {
        case 0: numbers[i] = 1000 + i; break;                               // dense, in order
        case 1: numbers[i] = 1 + pick(n + 1); break;                        // dense, repeated
        case 2: numbers[i] = static_cast<uint32_t>(rng()); break;           // spread thin
        case 3: numbers[i] = pick(2) ? pick(4) : 0xFFFFFFFFu - pick(4); break;  // at both ends
        default: numbers[i] = (i % 7 == 0) ? static_cast<uint32_t>(rng()) : 50 + i; break;  // mostly dense
        }
    }
    if (shape == 0 && n > 1) std::shuffle(numbers.begin(), numbers.end(), rng);
    std::vector<PtrRecordSpec> ptr(n);
    for (uint32_t i = 0; i < n; ++i) {
        PtrRecordSpec& p = ptr[i];
        p.number = numbers[i];
        switch (pick(8)) {
        case 0: case 1: case 2: p.root_number = p.number; break;
        case 3: case 4: p.root_number = n ? numbers[pick(n)] : 0; break;
        case 5: p.root_number = p.number - 1 - pick(3); break;
        case 6: p.root_number = static_cast<uint32_t>(rng()); break;
        default: p.root_number = pick(2) ? 0 : 0xFFFFFFFFu; break;
        }
        const uint8_t thread_values[] = {1, 1, 1, 1, 0, 2, 255};
        p.thread = thread_values[pick(7)];
        const uint8_t root_values[] = {1, 1, 0, 2};
        p.root = root_values[pick(4)];
        const uint8_t deleted_values[] = {0, 0, 0, 1, 0x80};
        p.deleted = deleted_values[pick(5)];
    }
    uint32_t idx_count = n;
    if (pick(4) == 0) idx_count = n + pick(3);
    if (pick(4) == 0 && n > 0) idx_count = n - std::min(n, pick(3));
    std::vector<IdxRecordSpec> idx(idx_count);
    for (uint32_t i = 0; i < idx_count; ++i) {
        const PtrRecordSpec source = i < n ? ptr[i] : PtrRecordSpec();
        switch (pick(6)) {
        case 0: case 1: idx[i].number = source.number; break;
        case 2: idx[i].number = source.number - 1; break;
        case 3: idx[i].number = source.number + 1; break;
        default: idx[i].number = pick(2) ? source.number : static_cast<uint32_t>(rng()); break;
        }
        switch (pick(6)) {
        case 0: case 1: idx[i].root_number = source.root_number; break;
        case 2: idx[i].root_number = source.root_number - 1; break;
        case 3: idx[i].root_number = 0xFFFFFFFFu; break;
        case 4: idx[i].root_number = source.root_number + 1; break;
        default: idx[i].root_number = static_cast<uint32_t>(rng()); break;
        }
    }
    return {make_ptr(ptr), make_idx(idx)};
}

TEST(MessageRecords, FastCheckEqualsTheLiteralRuleOnRandomBases) {
    auto native = make_native_platform();
    std::mt19937 rng(20260131);
    for (int round = 0; round < 4000; ++round) {
        RandomBase b = random_base(rng, round < 3900 ? 40 : 2500);
        ASSERT_EQ(fast_rule(*native, b.ptr, b.idx), literal_rule(b.ptr, b.idx)) << "round " << round;
    }
}

TEST(MessageRecords, DirectScanWhenNoIndexMemoryGivesTheSameCounts) {
    auto native = make_native_platform();
    FaultPlatform faults(*native);
    std::mt19937 rng(77);
    for (int round = 0; round < 600; ++round) {
        RandomBase b = random_base(rng, 60);
        const Counts expected = literal_rule(b.ptr, b.idx);
        // Each block refused in turn: the compact fields, then the number index, the root index
        // and its repeats (fewer are asked for when a base has no root or no reply).
        for (int nth = 1; nth <= 4; ++nth) {
            faults.reset_counts();
            faults.fail_nth(Op::Allocate, nth);
            ASSERT_EQ(fast_rule(faults, b.ptr, b.idx), expected) << "round " << round << " allocation " << nth;
        }
    }
}

TEST(MessageRecords, ThreadLinkRulesOneByOne) {
    auto native = make_native_platform();
    auto counts = [&](const std::vector<PtrRecordSpec>& p, std::vector<IdxRecordSpec> x = {}) {
        if (x.empty())
            for (const PtrRecordSpec& r : p) x.push_back({r.number, r.root_number});
        return fast_rule(*native, make_ptr(p), make_idx(x));
    };
    // A root with a reply: one normal root, nothing dangerous.
    Counts c = counts({{1, 1, 0, 10, 10}, {1, 0, 0, 11, 10}});
    EXPECT_EQ(c.normal_roots, 1u);
    EXPECT_EQ(c.danger, 0u);
    // A lone root counts nothing; a root without its root flag is dangerous.
    EXPECT_EQ(counts({{1, 1, 0, 10, 10}}), (Counts{1, 0, 0, 0, 0}));
    EXPECT_EQ(counts({{1, 0, 0, 10, 10}, {1, 0, 0, 11, 10}}).danger, 1u);
    // A reply that comes before its root still finds it; one whose root is missing does not.
    EXPECT_EQ(counts({{1, 0, 0, 11, 10}, {1, 1, 0, 10, 10}}), (Counts{2, 0, 0, 0, 1}));
    EXPECT_EQ(counts({{1, 0, 0, 11, 12}, {1, 1, 0, 10, 10}}).danger, 1u);
    // A root flag of any nonzero value marks a root; the thread flag must be exactly 1.
    EXPECT_EQ(counts({{1, 7, 0, 10, 10}, {1, 0, 0, 11, 10}}).normal_roots, 1u);
    EXPECT_EQ(counts({{2, 0, 0, 10, 10}, {0, 0, 0, 11, 99}}), (Counts{2, 0, 0, 0, 0}));
    // Two roots that share a root number count each other; an unthreaded record counts too.
    EXPECT_EQ(counts({{1, 1, 0, 10, 10}, {0, 0, 0, 11, 10}}).normal_roots, 1u);
}

// ---------------------------------------------------------------------------------------------
// validate_message_base over files on disk.

class MessageBaseValidation : public ::testing::Test {
protected:
    MessageBaseValidation() : native_(make_native_platform()), platform_(*native_), fb_(platform_) {
        dir_ = tmp_ / "MESSAGE";
        fb_.make_dir(dir_);
        report_ = TextBuffer::create();
    }

    // Validates conferences 1..count; the report text is kept in report_.
    std::vector<MessageBaseResult> validate(uint32_t count) {
        std::vector<ConferenceView> views(count);
        for (uint32_t i = 0; i < count; ++i) views[i].number = i + 1;
        std::vector<MessageBaseResult> results;
        missing_ = true;  // cleared first
        report_->reset();
        EXPECT_TRUE(validate_message_base(platform_, dir_, views, results, report_.get(), missing_));
        EXPECT_EQ(results.size(), count);
        return results;
    }

    MessageFamily family(const std::vector<PtrRecordSpec>& ptr, std::vector<IdxRecordSpec> idx = {}) {
        if (idx.empty())
            for (const PtrRecordSpec& r : ptr) idx.push_back({r.number, r.root_number});
        MessageFamily f;
        f.ptr = make_ptr(ptr);
        f.idx = make_idx(idx);
        f.dat = std::vector<uint8_t>(ptr.size() * 128, 0);
        f.lmr = std::vector<uint8_t>(8, 0);
        return f;
    }

    test::TempDir tmp_;
    std::unique_ptr<Platform> native_;
    FaultPlatform platform_;
    FixtureBuilder fb_;
    std::string dir_;
    std::unique_ptr<TextBuffer> report_;
    bool missing_ = false;
};

TEST_F(MessageBaseValidation, HealthyConferenceWithoutSigReportsOk) {
    fb_.make_empty_message_bases(dir_, 1, 4);
    test::MessageBaseSpec wanted;
    wanted.messages = 8;
    fb_.make_message_base(dir_, 5, wanted);
    std::vector<MessageBaseResult> r = validate(5);
    EXPECT_FALSE(missing_);
    EXPECT_EQ(r[4].status, "OK");
    EXPECT_FALSE(r[4].error);
    EXPECT_EQ(files_column(r[4]), "PIDL-");
    const std::string text = report_->str();
    EXPECT_NE(text.find("CONF 05  [OK]\r\n"
                        "  PTR=2048 IDX=128 DAT=1024 LMR=64 SIG=none\r\n"
                        "  Slots=8 Active=8 Deleted=0 DAT records=8 Danger=0 Warn=0 Normal roots=2\r\n"),
              std::string::npos)
        << text;
    // Empty files (a conference Spitfire has just created) are fine.
    const std::string first =
        "CONF 01  [OK]\r\n"
        "  PTR=0 IDX=0 DAT=0 LMR=0 SIG=none\r\n"
        "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n"
        "CONF 02  [OK]\r\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    EXPECT_EQ(r[0].slots, 0u);
}

TEST_F(MessageBaseValidation, EveryMissingRequiredFileIsReportedAndSetsTheFlag) {
    const char* names[] = {"PTR", "IDX", "DAT", "LMR"};
    for (int k = 0; k < 4; ++k) {
        MessageFamily f = family({{1, 1, 0, 1, 1}, {1, 0, 0, 2, 1}});
        std::optional<std::vector<uint8_t>>* files[] = {&f.ptr, &f.idx, &f.dat, &f.lmr};
        files[k]->reset();
        f.sig = std::vector<uint8_t>(3, 0);
        fb_.write_message_family(dir_, 1, f);
        std::vector<MessageBaseResult> r = validate(1);
        EXPECT_TRUE(missing_) << names[k];
        EXPECT_TRUE(r[0].error);
        EXPECT_EQ(r[0].status, "ERROR: missing required file(s)");
        EXPECT_EQ(r[0].slots + r[0].active + r[0].normal_roots + r[0].dat_records, 0u) << "counters stay zero";
        EXPECT_NE(report_->str().find(std::string(names[k]) + "=MISSING"), std::string::npos) << report_->str();
        EXPECT_NE(report_->str().find(" SIG=3\r\n"), std::string::npos);
    }
    // A family without any file at all.
    std::vector<MessageBaseResult> r = validate(2);
    EXPECT_EQ(report_->str().substr(report_->str().find("CONF 02")),
              "CONF 02  [ERROR: missing required file(s)]\r\n"
              "  PTR=MISSING IDX=MISSING DAT=MISSING LMR=MISSING SIG=none\r\n"
              "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n");
    EXPECT_EQ(files_column(r[1]), "-----");
}

TEST_F(MessageBaseValidation, MissingFlagIsClearedWhenNothingIsMissingOrNothingIsGiven) {
    std::vector<MessageBaseResult> r = validate(0);
    EXPECT_FALSE(missing_);
    EXPECT_EQ(report_->str(), "");
    fb_.make_empty_message_bases(dir_, 1, 1);
    validate(1);
    EXPECT_FALSE(missing_);
}

TEST_F(MessageBaseValidation, PtrIdxMismatchStillComparesTheCommonRecords) {
    // .PTR of 512 bytes, .IDX of 48: the first two records are compared (the second disagrees).
    fb_.write_message_family(dir_, 1,
                             family({{1, 1, 0, 1, 1}, {1, 0, 0, 2, 1}}, {{1, 1}, {7, 1}, {3, 1}}));
    std::vector<MessageBaseResult> r = validate(1);
    EXPECT_EQ(r[0].status, "FATAL: PTR/IDX record mismatch");
    EXPECT_TRUE(r[0].error);
    EXPECT_FALSE(missing_);
    EXPECT_EQ(r[0].slots, 2u);
    EXPECT_EQ(r[0].idx_records, 3u);
    EXPECT_EQ(r[0].active, 2u);
    EXPECT_EQ(r[0].warn, 1u);
    EXPECT_EQ(r[0].normal_roots, 1u);
}

TEST_F(MessageBaseValidation, ShapesFromTheFixtureBuilder) {
    using test::ThreadShape;
    const ThreadShape shapes[] = {ThreadShape::Healthy, ThreadShape::PtrIdxMismatch, ThreadShape::IdxOneBelow,
                                  ThreadShape::DeletedRoot, ThreadShape::OrphanReply, ThreadShape::WarnMismatch};
    for (uint32_t n = 1; n <= 6; ++n) {
        test::MessageBaseSpec wanted;
        wanted.messages = 8;
        wanted.shape = shapes[n - 1];
        wanted.with_sig = n == 3;
        fb_.make_message_base(dir_, n, wanted);
    }
    std::vector<MessageBaseResult> r = validate(6);
    EXPECT_EQ(r[0].status, "OK");
    EXPECT_EQ(r[1].status, "FATAL: PTR/IDX record mismatch");
    EXPECT_EQ(r[2].status, "OK");  // IDX numbers one below still agree
    EXPECT_EQ(files_column(r[2]), "PIDLS");
    EXPECT_EQ(r[3].status, "OK");  // deleted, IDX root 0xFFFFFFFF
    EXPECT_EQ(r[3].deleted, 1u);
    EXPECT_EQ(r[3].active, 7u);
    EXPECT_EQ(r[4].status, "DANGER: invalid thread linkage");
    EXPECT_TRUE(r[4].error);
    EXPECT_EQ(r[4].danger, 1u);
    EXPECT_EQ(r[5].status, "WARN: PTR/IDX differences");
    EXPECT_FALSE(r[5].error);
}

TEST_F(MessageBaseValidation, RecordMultiplesAndDangerOverridesFatal) {
    // .PTR one byte short of two records: bad multiple, but the one whole record is checked.
    MessageFamily f = family({{1, 0, 0, 5, 4}});  // a reply to a missing root
    f.ptr->resize(511, 0);
    (*f.ptr)[256 + 0x9B] = 0;
    f.idx = make_idx({{5, 4}});
    fb_.write_message_family(dir_, 1, f);
    // .DAT not a multiple of 128 with sound threads: the FATAL text stays.
    MessageFamily g = family({{1, 1, 0, 1, 1}, {1, 0, 0, 2, 1}});
    g.dat->push_back(0);
    fb_.write_message_family(dir_, 2, g);
    // .IDX not a multiple of 16.
    MessageFamily h = family({{1, 1, 0, 1, 1}});
    h.idx->resize(17, 0);
    fb_.write_message_family(dir_, 3, h);
    std::vector<MessageBaseResult> r = validate(3);
    EXPECT_EQ(r[0].status, "DANGER: invalid thread linkage");
    EXPECT_EQ(r[0].slots, 1u);
    EXPECT_EQ(r[0].danger, 1u);
    EXPECT_EQ(r[1].status, "FATAL: invalid record-size multiple");
    EXPECT_EQ(r[1].dat_records, 2u);
    EXPECT_EQ(r[1].normal_roots, 1u);
    EXPECT_EQ(r[2].status, "FATAL: invalid record-size multiple");
    EXPECT_TRUE(r[2].error);
    EXPECT_FALSE(missing_);
}

TEST_F(MessageBaseValidation, FourGigabyteFilesAreFatalAndNotRead) {
    fb_.write_message_family(dir_, 1, family({{1, 0, 0, 5, 4}}));  // would be DANGER if read
    fb_.write_message_family(dir_, 2, family({{1, 0, 0, 5, 4}}));
    platform_.fake_size("SFMSG01.PTR", 0x100000000ull);
    platform_.fake_size("SFMSG02.LMR", 0x500000000ull);  // a huge .LMR is only a size
    std::vector<MessageBaseResult> r = validate(1);
    EXPECT_EQ(r[0].status, "FATAL: file is 4GB or larger");
    EXPECT_EQ(r[0].size[0], 0xFFFFFFFFu);
    EXPECT_EQ(r[0].danger, 0u);
    EXPECT_EQ(platform_.calls(Op::Read), 0) << "a 4 GiB conference is not read";
    EXPECT_EQ(report_->str(),
              "CONF 01  [FATAL: file is 4GB or larger]\r\n"
              "  PTR=4294967295 IDX=16 DAT=128 LMR=8 SIG=none\r\n"
              "  Slots=0 Active=0 Deleted=0 DAT records=0 Danger=0 Warn=0 Normal roots=0\r\n");
    r = validate(2);
    EXPECT_EQ(r[1].status, "DANGER: invalid thread linkage");
    EXPECT_EQ(r[1].size[3], 0xFFFFFFFFu);
}

TEST_F(MessageBaseValidation, OversizedOrUnreadableFilesSkipTheRecordChecks) {
    for (uint32_t n = 1; n <= 4; ++n) fb_.write_message_family(dir_, n, family({{1, 0, 0, 5, 4}}));
    // .IDX above 16 MiB (a whole number of records): sizes still judged, records not read.
    platform_.fake_size("SFMSG01.IDX", 16777216ull + 16);
    // .PTR exactly 64 MiB is still read (and then found short, so the read fails).
    platform_.fake_size("SFMSG02.PTR", 67108864ull);
    platform_.fail_path(Op::Read, "SFMSG03.IDX");
    std::vector<MessageBaseResult> r = validate(4);
    EXPECT_EQ(r[0].status, "FATAL: PTR/IDX record mismatch");
    EXPECT_EQ(r[0].idx_records, 1048577u);
    EXPECT_EQ(r[0].danger + r[0].active, 0u);
    EXPECT_EQ(r[1].status, "FATAL: PTR/IDX record mismatch");
    EXPECT_EQ(r[1].slots, 262144u);
    EXPECT_EQ(r[1].danger + r[1].active, 0u);
    EXPECT_EQ(r[2].status, "OK");  // nothing could be checked, so nothing is counted
    EXPECT_EQ(r[2].active, 0u);
    EXPECT_EQ(r[3].status, "DANGER: invalid thread linkage");
    EXPECT_EQ(r[3].active, 1u);
}

TEST_F(MessageBaseValidation, ThreeDigitNumbersAndLowerCaseNames) {
    std::vector<PtrRecordSpec> ptr = {{1, 1, 0, 1, 1}, {1, 0, 0, 2, 1}};
    MessageFamily f = family(ptr);
    fb_.write_message_family(dir_, 123, f);
    // A DOS installation copied to a case-sensitive disk: sfmsg07.ptr and friends.
    for (const char* ext : {"ptr", "idx", "dat", "lmr"}) {
        const std::vector<uint8_t>& bytes = std::string(ext) == "ptr"   ? *f.ptr
                                            : std::string(ext) == "idx" ? *f.idx
                                            : std::string(ext) == "dat" ? *f.dat
                                                                        : *f.lmr;
        fb_.write_file(dir_ + "/sfmsg07." + ext, bytes);
    }
    std::vector<MessageBaseResult> r = validate(123);
    EXPECT_EQ(r[6].status, "OK") << report_->str();
    EXPECT_EQ(r[6].normal_roots, 1u);
    EXPECT_EQ(r[122].status, "OK");
    EXPECT_NE(report_->str().find("\r\nCONF 123  [OK]\r\n"), std::string::npos);
    EXPECT_NE(report_->str().find("\r\nCONF 99  [ERROR: missing required file(s)]\r\n"), std::string::npos);
    EXPECT_TRUE(missing_);
}

TEST_F(MessageBaseValidation, ThreadedFixtureBasesValidateCleanly) {
    for (uint32_t n = 1; n <= 3; ++n) {
        test::ThreadedMessages m = test::threaded_messages(500 * n, n, 1 + 1000 * n);
        MessageFamily f;
        f.ptr = make_ptr(m.ptr);
        f.idx = make_idx(m.idx);
        f.dat = std::vector<uint8_t>(m.ptr.size() * 128);
        f.lmr = std::vector<uint8_t>();
        fb_.write_message_family(dir_, n, f);
        EXPECT_EQ(literal_rule(*f.ptr, *f.idx).danger, 0u);
    }
    std::vector<MessageBaseResult> r = validate(3);
    for (const MessageBaseResult& one : r) {
        EXPECT_EQ(one.status, "OK");
        EXPECT_GT(one.normal_roots, 0u);
        EXPECT_GT(one.deleted, 0u);
    }
}

}  // namespace
}  // namespace marlinth
