// The staged conference file: base bytes untouched, one template clone per entry with every
// field written little-endian, proven byte by byte and by decoding the image again.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "support/fault_platform.h"
#include "fixture/installation.h"
#include "writer/staged_image.h"

namespace marlinth {
namespace {

class Staged : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    std::unique_ptr<TextBuffer> ok = TextBuffer::create(), err = TextBuffer::create();
    ProposedSettings settings;
    ConferenceView tpl;

    void SetUp() override {
        settings.valid = true, settings.template_index = 0;
        settings.conference_security = -2;  // 0xFFFE: signed values survive the round trip
        settings.max_msg_length = 0xBEEF;   // the unaligned field at 0x33
        settings.message_entry_security = 20, settings.purge_days = 0x1234, settings.privileged = {5, 0, -1, 0, 10};
        settings.access_exact = 1, settings.public_only = 1, settings.netmail = 0, settings.routing = 1;
        settings.caller_delete = 1, settings.purge_unreceived = 0, settings.purge_old_thread = 1;
        test::ConferenceSpec t;
        t.name = "Template Echo", t.net_id = "TPL";
        t.extra_fill = 0xA5;  // non-zero preserved bytes must pass on unchanged
        decode_conference_record(test::make_record(t).data(), 1, tpl);
    }
    bool build(const std::vector<uint8_t>& b, const std::vector<PlanEntry>& entries, ByteBuffer& out, uint32_t size = ~0u) {
        return build_staged_conference_file(fp, b.data(), size == ~0u ? static_cast<uint32_t>(b.size()) : size, &tpl, settings, entries,
                                            static_cast<int32_t>(entries.size()), out, ok.get(), err.get());
    }
};

std::vector<uint8_t> base(int records) { return test::make_conference_file(test::echo_conferences(records)); }

TEST_F(Staged, NewRecordsCloneTheTemplateWithIdentityAndSettings) {
    const auto b = base(780);
    ByteBuffer out;
    ASSERT_TRUE(build(b, {{"NEW_A", "Net: A"}, {"NEW_B", "Net: B"}, {"NEW_C", "Net: C"}, {"NEW_D", std::string(40, 'n')}}, out)) << err->str();
    ASSERT_EQ(out.size(), 784u * 128u);
    EXPECT_EQ(std::memcmp(out.data(), b.data(), b.size()), 0);
    EXPECT_EQ(ok->str(), "Built staged SFMCONF.DAT: 780 existing + 4 appended = 784 records (128 bytes each).\r\n");

    const uint8_t* r = out.data() + 780 * 128;
    const std::vector<std::pair<size_t, uint8_t>> bytes = {
        {0x00, 0xFE}, {0x01, 0xFF}, {0x03, 6},    {0x0A, 0},    {0x2C, 1},    {0x30, 0x34}, {0x31, 0x12},
        {0x32, 1},    {0x33, 0xEF}, {0x34, 0xBE}, {0x35, 0xA5}, {0x36, 5},    {0x3A, 0xFF}, {0x3B, 0xFF},
        {0x40, 20},   {0x6E, 1},    {0x6F, 0xA5}, {0x70, 5},
    };
    for (const auto& [at, value] : bytes) EXPECT_EQ(r[at], value) << "offset " << at;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 4), 6), "Net: A");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 0x71), 5), "NEW_A");
    for (size_t i = 0x42; i <= 0x6D; ++i) EXPECT_EQ(r[i], 0xA5) << i;
    for (size_t i = 0x76; i < 0x80; ++i) EXPECT_EQ(r[i], 0) << i;

    ConferenceView last;  // a name of the longest length reads back whole
    decode_conference_record(out.data() + 783 * 128, 784, last);
    EXPECT_EQ(last.name + last.net_id, std::string(40, 'n') + "NEW_D");
    EXPECT_EQ(last.privileged, settings.privileged);

    // An existing conference without a net ID never collides with a new tag.
    std::vector<test::ConferenceSpec> specs = test::echo_conferences(2);
    specs[1].net_id = "";
    EXPECT_TRUE(build(test::make_conference_file(specs), {{"NEW", "New"}}, out)) << err->str();
}

// Every refusal leaves no image and no success line, and all but the last three are made before
// any memory is taken.
TEST_F(Staged, BadInputsAreRefusedWithTheirLine) {
    const auto entries = [&](int records, std::vector<PlanEntry> e) { return [=](ByteBuffer& out) { return build(base(records), e, out); }; };
    const char* const kIdentity = "Invalid area identity at append item 1.\r\n";
    const std::vector<std::tuple<const char*, std::function<bool(ByteBuffer&)>, const char*>> cases = {
        {"over the limit", entries(780, {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}, {"E", "e"}}),
         "The append plan would exceed Spitfire's 784-conference limit.\r\n"},
        {"blank tag", entries(3, {{"OK", "fine"}, {"", "no tag"}}), "Invalid area identity at append item 2.\r\n"},
        {"long tag", entries(3, {{std::string(16, 'T'), "long tag"}}), kIdentity},
        {"long name", entries(3, {{"T", std::string(41, 'n')}}), kIdentity},
        {"duplicate tag", entries(3, {{"FSX_GEN", "a"}, {"fsx_gen", "b"}}), "Duplicate append tag: fsx_gen\r\n"},
        {"existing tag, other case", entries(3, {{"echo3", "x"}}), "Echo tag already exists: echo3\r\n"},
        {"no entries", entries(2, {}), "Invalid append-builder arguments.\r\n"},
        {"partial record", [&](ByteBuffer& out) { return build(base(2), {{"A", "a"}}, out, 200); }, "Base SFMCONF.DAT is invalid.\r\n"},
        {"empty base", [&](ByteBuffer& out) { return build(base(2), {{"A", "a"}}, out, 0); }, "Base SFMCONF.DAT is invalid.\r\n"},
        // Names that the record would not read back as approved: a trailing blank, an embedded NUL.
        {"name not read back", entries(3, {{"T", "Net: A "}}), "Staged record validation failed for tag: T\r\n"},
        {"name cut by a NUL", entries(3, {{"T", std::string("Net\0A", 5)}}), "Staged record validation failed for tag: T\r\n"},
        {"out of memory", [&](ByteBuffer& out) { fp.fail_nth(test::Op::Allocate, 1); return build(base(3), {{"NEW", "New"}}, out); },
         "Out of memory building staged SFMCONF.DAT.\r\n"},
    };
    for (const auto& [what, call, line] : cases) {
        SCOPED_TRACE(what);
        ByteBuffer out;
        err->reset();
        fp.reset_counts();
        EXPECT_FALSE(call(out));
        EXPECT_EQ(err->str(), line);
        EXPECT_TRUE(out.empty() && ok->empty());
        EXPECT_EQ(fp.calls(test::Op::Allocate), std::string(what).find("name") == 0 || std::string(what) == "out of memory" ? 1 : 0);
    }
}

}  // namespace
}  // namespace marlinth
