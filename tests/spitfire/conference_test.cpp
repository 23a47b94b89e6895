#include "spitfire/conference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/fixture.h"

namespace marlinth {
namespace {

using test::ConferenceSpec;
using test::make_conference_file;
using test::make_record;

std::vector<ConferenceView> decode_ok(const std::vector<uint8_t>& bytes) {
    std::vector<ConferenceView> views;
    auto report = TextBuffer::create();
    EXPECT_TRUE(decode_conference_file(bytes.data(), static_cast<uint32_t>(bytes.size()), views, report.get()));
    EXPECT_EQ(report->str(), "");
    return views;
}

std::string decode_failure(const std::vector<uint8_t>& bytes) {
    std::vector<ConferenceView> views(3);
    auto report = TextBuffer::create();
    EXPECT_FALSE(decode_conference_file(bytes.data(), static_cast<uint32_t>(bytes.size()), views, report.get()));
    EXPECT_TRUE(views.empty());
    return report->str();
}

TEST(ConferenceFile, SizeRulesAcceptWholeRecordsUpTo784) {
    EXPECT_EQ(decode_failure(std::vector<uint8_t>(1, 0)),
              "SFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n");
    EXPECT_EQ(decode_failure(std::vector<uint8_t>(129, 0)),
              "SFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n");
    EXPECT_EQ(decode_failure(std::vector<uint8_t>(127, 0)),
              "SFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n");
    EXPECT_EQ(decode_failure(std::vector<uint8_t>(100480, 0)), "SFMCONF.DAT contains more than 784 conferences.\r\n");

    // A size of 0 needs a valid pointer all the same.
    std::vector<ConferenceView> views;
    auto report = TextBuffer::create();
    uint8_t none = 0;
    EXPECT_FALSE(decode_conference_file(&none, 0, views, report.get()));
    EXPECT_EQ(report->str(), "SFMCONF.DAT size is not a nonzero multiple of 128 bytes.\r\n");
    // Without a report the failure is silent.
    EXPECT_FALSE(decode_conference_file(&none, 0, views, nullptr));

    std::vector<ConferenceView> full = decode_ok(make_conference_file(test::echo_conferences(784)));
    ASSERT_EQ(full.size(), 784u);
    EXPECT_EQ(full.front().number, 1u);
    EXPECT_EQ(full.back().number, 784u);
    EXPECT_EQ(full.back().name, "Echo Conference 784");
    EXPECT_EQ(full.back().net_id, "ECHO784");
}

TEST(ConferenceFile, DecodesEveryFieldFromItsOffset) {
    ConferenceSpec s;
    s.name = "Fido Chat";
    s.net_id = "FIDOCHAT";
    s.conference_security = -1;
    s.message_entry_security = 20;
    s.netmail = 2;
    s.access_exact = 3;
    s.public_only = 4;
    s.caller_delete = 5;
    s.purge_unreceived = 6;
    s.purge_days = 0xBEEF;
    s.purge_old_thread = 7;
    s.max_msg_length = 0x1234;
    s.privileged = {1, -2, 300, 32767, -32768};
    s.allow_routing = 8;
    s.extra_fill = 0x5A;  // template bytes and MarkAsSent
    RawRecord raw = make_record(s);
    ConferenceView v;
    decode_conference_record(raw.data(), 17, v);
    EXPECT_EQ(v.number, 17u);
    EXPECT_EQ(v.name, "Fido Chat");
    EXPECT_EQ(v.net_id, "FIDOCHAT");
    EXPECT_EQ(v.conference_security, -1);
    EXPECT_EQ(v.message_entry_security, 20);
    EXPECT_EQ(v.netmail, 2);
    EXPECT_EQ(v.access_exact, 3);
    EXPECT_EQ(v.public_only, 4);
    EXPECT_EQ(v.caller_delete, 5);
    EXPECT_EQ(v.purge_unreceived, 6);
    EXPECT_EQ(v.purge_days, 0xBEEF);
    EXPECT_EQ(v.purge_old_thread, 7);
    EXPECT_EQ(v.max_msg_length, 0x1234);  // the unaligned field at 0x33
    EXPECT_EQ(v.template_byte, 0x5A);
    EXPECT_EQ(v.mark_as_sent, 0x5A);
    EXPECT_EQ(v.allow_routing, 8);
    EXPECT_EQ(v.privileged, (std::array<int16_t, 5>{1, -2, 300, 32767, -32768}));
    EXPECT_EQ(std::memcmp(v.raw.data(), raw.data(), kRecordSize), 0);
}

TEST(ConferenceFile, TextFieldsAreCappedTrimmedAndEndAtNul) {
    RawRecord raw{};
    // Length byte 55: only the 40-character area is taken.
    raw[rec::kNameLength] = 55;
    for (size_t i = 0; i < 44; ++i) raw[rec::kName + i] = static_cast<uint8_t>('A' + i % 26);
    ConferenceView v;
    decode_conference_record(raw.data(), 1, v);
    EXPECT_EQ(v.name.size(), 40u);
    EXPECT_EQ(v.name, std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN"));

    // "  Fido Chat  ": blanks around the name are not part of it.
    raw = RawRecord{};
    const char padded[] = "  Fido Chat  ";
    raw[rec::kNameLength] = 13;
    std::memcpy(raw.data() + rec::kName, padded, 13);
    // Net ID with length 20 is cut to 15; a tab and CR at the ends are trimmed.
    raw[rec::kNetIdLength] = 20;
    std::memcpy(raw.data() + rec::kNetId, "\tNET_AREA_ID_1\r", 15);
    decode_conference_record(raw.data(), 1, v);
    EXPECT_EQ(v.name, "Fido Chat");
    EXPECT_EQ(v.net_id, "NET_AREA_ID_1");

    // A NUL inside the declared length ends the text.
    raw = RawRecord{};
    raw[rec::kNameLength] = 10;
    std::memcpy(raw.data() + rec::kName, "Abc\0Defghi", 10);
    decode_conference_record(raw.data(), 1, v);
    EXPECT_EQ(v.name, "Abc");
}

TEST(ConferenceFile, EncodingRefusesOverlongTextAndZeroFillsTheArea) {
    RawRecord raw;
    raw.fill(0xEE);
    const RawRecord before = raw;
    EXPECT_FALSE(encode_text_field(raw.data(), rec::kNetIdLength, rec::kNetIdMax, "SIXTEEN_CHARS_XX"));
    EXPECT_FALSE(encode_text_field(raw.data(), rec::kNameLength, rec::kNameMax, std::string(41, 'n')));
    EXPECT_EQ(raw, before);

    ASSERT_TRUE(encode_text_field(raw.data(), rec::kNetIdLength, rec::kNetIdMax, "FIFTEEN_CHARS_X"));
    EXPECT_EQ(raw[0x70], 15);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.data() + 0x71), 15), "FIFTEEN_CHARS_X");
    EXPECT_EQ(std::memcmp(raw.data(), before.data(), 0x70), 0);  // nothing before the field touched

    ASSERT_TRUE(encode_text_field(raw.data(), rec::kNameLength, rec::kNameMax, "Short"));
    EXPECT_EQ(raw[0x03], 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.data() + 0x04), 5), "Short");
    for (size_t i = 0x09; i < 0x2C; ++i) EXPECT_EQ(raw[i], 0) << "offset " << i;
    EXPECT_EQ(raw[0x2C], 0xEE);  // the byte after the area is not part of it
    EXPECT_EQ(raw[0x02], 0xEE);

    ConferenceView v;
    decode_conference_record(raw.data(), 1, v);
    EXPECT_EQ(v.name, "Short");
    EXPECT_EQ(v.net_id, "FIFTEEN_CHARS_X");
}

TEST(ConferenceFile, RecordViewOfAZeroRecord) {
    RawRecord raw{};
    ConferenceView v;
    decode_conference_record(raw.data(), 3, v);
    auto out = TextBuffer::create();
    out->append("left over from before");
    format_conference_record(v, *out);
    std::string expected =
        "Conference #3  \"\"  Net ID: \r\n"
        "Access security: 0    Entry security: 0\r\n"
        "NetMail=0 PublicOnly=0 AllowDelete=0 Route=0 MarkSent=0\r\n"
        "\r\n";
    for (const char* row : {"00", "10", "20", "30", "40", "50", "60", "70"})
        expected += std::string(row) + "  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\r\n";
    EXPECT_EQ(out->str(), expected);
}

TEST(ConferenceFile, RecordViewShowsSignedSecuritiesFlagsAndPrintableBytes) {
    ConferenceSpec s;
    s.name = "Fido Chat";
    s.net_id = "FIDO_CHAT";
    s.conference_security = -1;  // 0xFFFF in the file
    s.message_entry_security = 25;
    s.netmail = 1;
    s.public_only = 1;
    s.caller_delete = 0;
    s.allow_routing = 1;
    s.mark_as_sent = 200;
    s.purge_days = 0x7E7F;  // 0x7E printable, 0x7F not
    RawRecord raw = make_record(s);
    raw[0x10] = 0x20;  // space inside the name area (after the name) shows as itself
    ConferenceView v;
    decode_conference_record(raw.data(), 12, v);
    auto out = TextBuffer::create();
    format_conference_record(v, *out);
    const std::string text = out->str();
    const std::string head =
        "Conference #12  \"Fido Chat\"  Net ID: FIDO_CHAT\r\n"
        "Access security: -1    Entry security: 25\r\n"
        "NetMail=1 PublicOnly=1 AllowDelete=0 Route=1 MarkSent=200\r\n"
        "\r\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(head.size(), 74),
              "00  FF FF 01 09 46 69 64 6F  20 43 68 61 74 00 00 00  |....Fido Chat...|\r\n");
    EXPECT_NE(text.find("\r\n10  20 00 00"), std::string::npos);
    EXPECT_NE(text.find("30  7F 7E "), std::string::npos);
    EXPECT_NE(text.find("|.~"), std::string::npos);
    EXPECT_NE(text.find("\r\n70  09 46 49 44 4F 5F 43 48  41 54 00 00 00 00 00 00  |.FIDO_CHAT......|\r\n"),
              std::string::npos);
    // Eight rows of 72 characters plus CR LF after the four summary lines.
    EXPECT_EQ(text.size(), head.size() + 8 * 74);
}

std::vector<ConferenceView> views_of(const std::vector<ConferenceSpec>& specs) {
    return decode_ok(make_conference_file(specs));
}

TEST(ConferenceFile, MostCommonEchoLikeComparesOnlyTheSettingsBlock) {
    // Settings block A twice (with different names, securities and Net IDs: not compared),
    // block B three times but one of them not echo-like, block C once.
    ConferenceSpec a1, a2, b1, b2, b3, c;
    a1.name = "A one", a1.net_id = "A1", a1.conference_security = 5, a1.purge_days = 30;
    a2.name = "A two", a2.net_id = "A2", a2.conference_security = 99, a2.purge_days = 30;
    b1.name = "B one", b1.net_id = "B1", b1.purge_days = 60;
    b2.name = "B two", b2.net_id = "", b2.purge_days = 60;  // no Net ID: not echo-like
    b3.name = "B three", b3.net_id = "B3", b3.purge_days = 60;
    c.name = "C", c.net_id = "C", c.purge_days = 90;
    EXPECT_EQ(most_common_echo_like(views_of({c, b1, a1, b2, a2, b3})), 1);  // B wins the tie with A by number
    EXPECT_EQ(most_common_echo_like(views_of({c, a1, b1, b2, a2, b3})), 1);  // now A comes first
    ConferenceSpec a3 = a1;
    a3.name = "A three";
    EXPECT_EQ(most_common_echo_like(views_of({c, b1, b3, a1, a2, a3})), 3);  // three A against two B

    // A difference in a template byte (0x42..0x6D) or MarkAsSent makes another block.
    ConferenceSpec x1 = a1, x2 = a1, x3 = a1;
    x2.extra_fill = 1;
    x3.mark_as_sent = 1;
    EXPECT_EQ(most_common_echo_like(views_of({x2, x3, x1, x1})), 2);

    ConferenceSpec plain;
    plain.name = "Local";
    plain.allow_routing = 0;
    EXPECT_EQ(most_common_echo_like(views_of({plain, plain})), -1);
    EXPECT_EQ(most_common_echo_like({}), -1);
}

}  // namespace
}  // namespace marlinth
