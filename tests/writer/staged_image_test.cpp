// The staged conference file: base bytes untouched, one template clone per entry with every
// field written little-endian, proven by decoding the whole image again.
#include <gtest/gtest.h>

#include <cstring>

#include "support/fault_platform.h"
#include "support/fixture.h"
#include "writer/staged_image.h"

namespace marlinth {
namespace {

using test::ConferenceSpec;

class Staged : public ::testing::Test {
protected:
    std::unique_ptr<Platform> native = make_native_platform();
    test::FaultPlatform fp{*native};
    std::unique_ptr<TextBuffer> ok = TextBuffer::create();
    std::unique_ptr<TextBuffer> err = TextBuffer::create();
    ProposedSettings settings;
    ConferenceView tpl;

    void SetUp() override {
        settings.valid = true;
        settings.template_index = 0;
        settings.conference_security = -2;  // 0xFFFE: signed values survive the round trip
        settings.message_entry_security = 20;
        settings.access_exact = 1;
        settings.public_only = 1;
        settings.netmail = 0;
        settings.routing = 1;
        settings.max_msg_length = 0xBEEF;  // the unaligned field at 0x33
        settings.purge_days = 0x1234;
        settings.caller_delete = 1;
        settings.purge_unreceived = 0;
        settings.purge_old_thread = 1;
        settings.privileged = {5, 0, -1, 0, 10};
        ConferenceSpec t;
        t.name = "Template Echo";
        t.net_id = "TPL";
        t.extra_fill = 0xA5;  // non-zero preserved bytes must pass on unchanged
        RawRecord raw = test::make_record(t);
        decode_conference_record(raw.data(), 1, tpl);
    }

    std::vector<uint8_t> base(int records) { return test::make_conference_file(test::echo_conferences(records)); }

    bool build(const std::vector<uint8_t>& b, const std::vector<PlanEntry>& entries, ByteBuffer& out) {
        return build_staged_conference_file(fp, b.data(), static_cast<uint32_t>(b.size()), &tpl, settings, entries,
                                            static_cast<int32_t>(entries.size()), out, ok.get(), err.get());
    }
};

TEST_F(Staged, NewRecordsCloneTheTemplateWithIdentityAndSettings) {
    const auto b = base(780);
    ByteBuffer out;
    std::vector<PlanEntry> entries = {{"NEW_A", "Net: A"}, {"NEW_B", "Net: B"}, {"NEW_C", "Net: C"}, {"NEW_D", std::string(40, 'n')}};
    ASSERT_TRUE(build(b, entries, out)) << err->str();
    ASSERT_EQ(out.size(), 784u * 128u);
    EXPECT_EQ(std::memcmp(out.data(), b.data(), b.size()), 0);
    EXPECT_EQ(ok->str(), "Built staged SFMCONF.DAT: 780 existing + 4 appended = 784 records (128 bytes each).\r\n");

    const uint8_t* r = out.data() + 780 * 128;
    EXPECT_EQ(r[0x00], 0xFE);
    EXPECT_EQ(r[0x01], 0xFF);
    EXPECT_EQ(r[0x03], 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 4), 6), "Net: A");
    EXPECT_EQ(r[0x04 + 6], 0);  // zero-filled after the name
    EXPECT_EQ(r[0x2C], 1);
    EXPECT_EQ(r[0x30], 0x34);
    EXPECT_EQ(r[0x31], 0x12);
    EXPECT_EQ(r[0x32], 1);
    EXPECT_EQ(r[0x33], 0xEF);
    EXPECT_EQ(r[0x34], 0xBE);
    EXPECT_EQ(r[0x35], 0xA5);
    EXPECT_EQ(r[0x36], 5);
    EXPECT_EQ(r[0x3A], 0xFF);
    EXPECT_EQ(r[0x3B], 0xFF);
    EXPECT_EQ(r[0x40], 20);
    for (size_t i = 0x42; i <= 0x6D; ++i) EXPECT_EQ(r[i], 0xA5) << i;
    EXPECT_EQ(r[0x6E], 1);
    EXPECT_EQ(r[0x6F], 0xA5);
    EXPECT_EQ(r[0x70], 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 0x71), 5), "NEW_A");
    for (size_t i = 0x76; i < 0x80; ++i) EXPECT_EQ(r[i], 0) << i;

    ConferenceView last;
    decode_conference_record(out.data() + 783 * 128, 784, last);
    EXPECT_EQ(last.name, std::string(40, 'n'));
    EXPECT_EQ(last.net_id, "NEW_D");
    EXPECT_EQ(last.privileged, settings.privileged);
}

TEST_F(Staged, TheConferenceLimitIsEnforced) {
    ByteBuffer out;
    EXPECT_FALSE(build(base(780), {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}, {"E", "e"}}, out));
    EXPECT_EQ(err->str(), "The append plan would exceed Spitfire's 784-conference limit.\r\n");
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(ok->empty());
}

TEST_F(Staged, IdentitiesAreCheckedBeforeAnythingIsAllocated) {
    ByteBuffer out;
    fp.reset_counts();
    EXPECT_FALSE(build(base(3), {{"OK", "fine"}, {"", "no tag"}}, out));
    EXPECT_FALSE(build(base(3), {{"OK", ""}}, out));
    EXPECT_FALSE(build(base(3), {{std::string(16, 'T'), "long tag"}}, out));
    EXPECT_FALSE(build(base(3), {{"T", std::string(41, 'n')}}, out));
    EXPECT_FALSE(build(base(3), {{"FSX_GEN", "a"}, {"fsx_gen", "b"}}, out));
    EXPECT_FALSE(build(base(3), {{"ECHO2", "x"}}, out));
    EXPECT_FALSE(build(base(3), {{"echo3", "x"}}, out));
    EXPECT_EQ(err->str(),
              "Invalid area identity at append item 2.\r\n"
              "Invalid area identity at append item 1.\r\n"
              "Invalid area identity at append item 1.\r\n"
              "Invalid area identity at append item 1.\r\n"
              "Duplicate append tag: fsx_gen\r\n"
              "Echo tag already exists: ECHO2\r\n"
              "Echo tag already exists: echo3\r\n");
    EXPECT_EQ(fp.calls(test::Op::Allocate), 0);
}

TEST_F(Staged, AnExistingConferenceWithoutNetIdNeverCollides) {
    std::vector<ConferenceSpec> specs = test::echo_conferences(2);
    specs[1].net_id = "";
    const auto b = test::make_conference_file(specs);
    ByteBuffer out;
    EXPECT_TRUE(build(b, {{"NEW", "New"}}, out)) << err->str();
}

TEST_F(Staged, BadArgumentsAndBasesAreRefused) {
    ByteBuffer out;
    auto b = base(2);
    EXPECT_FALSE(build_staged_conference_file(fp, b.data(), 256, &tpl, settings, {}, 0, out, ok.get(), err.get()));
    EXPECT_FALSE(build_staged_conference_file(fp, b.data(), 256, nullptr, settings, {{"A", "a"}}, 1, out, ok.get(), err.get()));
    EXPECT_FALSE(build_staged_conference_file(fp, b.data(), 200, &tpl, settings, {{"A", "a"}}, 1, out, ok.get(), err.get()));
    EXPECT_FALSE(build_staged_conference_file(fp, b.data(), 0, &tpl, settings, {{"A", "a"}}, 1, out, ok.get(), err.get()));
    EXPECT_EQ(err->str(), "Invalid append-builder arguments.\r\nInvalid append-builder arguments.\r\n"
                          "Base SFMCONF.DAT is invalid.\r\nBase SFMCONF.DAT is invalid.\r\n");
}

TEST_F(Staged, RunningOutOfMemoryLeavesNothingBehind) {
    ByteBuffer out;
    fp.fail_nth(test::Op::Allocate, 1);
    EXPECT_FALSE(build(base(3), {{"NEW", "New"}}, out));
    EXPECT_EQ(err->str(), "Out of memory building staged SFMCONF.DAT.\r\n");
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace marlinth
