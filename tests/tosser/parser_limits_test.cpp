// Hostile and oversized input: the size cap, unreadable files, binary garbage and the fixed
// tables at and one past their limits. Nothing may crash, and every count must match the report.
#include <gtest/gtest.h>

#include <random>

#include "core/strings.h"
#include "tosser/parser.h"
#include "tosser_support.h"

namespace marlinth::test {
namespace {

using Lines = std::vector<std::string>;

const char* const kHeader =
    "QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY\r\n================================================\r\n"
    "File: ${PATH}\r\nNo production configuration file is modified by this operation.\r\n\r\n";

// A valid file padded with comment lines to exactly `size` bytes.
std::string padded_file(size_t size) {
    std::string text = std::string(kGlobals) + named_link("A", "2:250/1", "2:250/0", "/out/a", "1");
    while (text.size() < size) {
        const size_t room = size - text.size();
        if (room <= 2) {
            text.append(room, '\n');
            break;
        }
        const size_t body = std::min<size_t>(room - 2, 500);
        text += ";" + std::string(body - 1, 'p') + "\r\n";
    }
    return text;
}

TEST(TosserLimits, FileOfExactlyOneMebibyteIsReadAndOneByteMoreIsRefused) {
    CfgParse p;
    const std::string exact = padded_file(kMaxTosserConfigBytes);
    ASSERT_EQ(exact.size(), 1048576u);
    EXPECT_TRUE(p.run(exact));
    EXPECT_GT(p.config().comment_lines, 2000);

    // The earlier result must not survive a refused read.
    EXPECT_FALSE(p.run(exact + "x"));
    EXPECT_EQ(p.report(), put_var(kHeader, "PATH", p.path()) + "File too large for safe in-memory inspection: " + p.path() +
                              "\r\n");
    EXPECT_EQ(p.config().errors, 0);
    EXPECT_EQ(p.config().warnings, 0);
    EXPECT_EQ(p.config().link_count(), 0);
    EXPECT_EQ(p.config().comment_lines, 0);
    EXPECT_FALSE(p.config().confdir_set);
}

TEST(TosserLimits, UnreadableFileFailsUnderTheHeaderOrIntoTheErrorSink) {
    CfgParse p;
    const std::string missing = p.dir() / "NOPE.CFG";
    EXPECT_FALSE(p.run_file(missing));
    EXPECT_EQ(p.report(), put_var(kHeader, "PATH", missing) + "Cannot open: " + missing + "\r\n");

    auto report = TextBuffer::create();
    auto sink = TextBuffer::create();
    TosserConfig config;
    config.errors = 7;
    EXPECT_FALSE(parse_tosser_config(p.platform(), missing, config, report.get(), sink.get()));
    EXPECT_EQ(report->str(), put_var(kHeader, "PATH", missing));
    EXPECT_EQ(sink->str(), "Cannot open: " + missing + "\r\n");
    EXPECT_EQ(config.errors, 0);

    // A directory is not a configuration file either.
    EXPECT_FALSE(p.run_file(p.dir().path()));
    EXPECT_EQ(p.config().errors, 0);
}

// Random bytes, heavy in the characters the grammar cares about. The parser must finish, and
// its counters must agree with the lines it printed.
TEST(TosserLimits, BinaryGarbageNeverCrashesAndCountsMatchTheReport) {
    const char alphabet[] = {'\0', '\r', '\n', '\t', ' ', '[', ']', ';', ':', '/', '.', '-', '#', '1', '6', 'A', 'K',
                             static_cast<char>(0x80), static_cast<char>(0xFF), static_cast<char>(0x7F)};
    const char* const keywords[] = {"ADDRESS ", "HUB ", "[LINK x]", "AREA ", "NETMAILZONE ", "PKTPW ", "CONFDIR ",
                                    "OUTDIR ", "[link ", "\r\n"};
    std::mt19937 rng(4242);
    CfgParse p;
    for (int round = 0; round < 60; ++round) {
        std::string bytes;
        const size_t size = rng() % (round < 50 ? 4096 : 200000);
        while (bytes.size() < size) {
            const uint32_t pick = rng() % 100;
            if (pick < 40)
                bytes.push_back(static_cast<char>(rng()));
            else if (pick < 85)
                bytes.push_back(alphabet[rng() % sizeof(alphabet)]);
            else
                bytes += keywords[rng() % 10];
        }
        const bool ok = p.run(bytes);
        int errors = 0, warnings = 0;
        for (const std::string& line : p.diagnostics()) (line[0] == 'E' ? errors : warnings)++;
        ASSERT_EQ(errors, p.config().errors) << "round " << round;
        ASSERT_EQ(warnings, p.config().warnings) << "round " << round;
        ASSERT_EQ(ok, p.config().errors == 0);
        ASSERT_LE(p.config().link_count(), kMaxLinks);
        ASSERT_LE(p.config().preserved.size(), static_cast<size_t>(kMaxPreservedLines));
        for (const PreservedLine& line : p.config().preserved) {
            ASSERT_LE(line.text.size(), 511u);
            ASSERT_EQ(line.text.find('\0'), std::string::npos);
        }
        ASSERT_NE(p.report().find("Security note: packet-password values"), std::string::npos);
    }
}

TEST(TosserLimits, AddressPartsAt65535AreAcceptedAnd65536Refused) {
    CfgParse p;
    ASSERT_TRUE(p.run(std::string(kGlobals) +
                      named_link("A", "65535:65535/65535.65535", "1:0/0", "/out/a", "65535")));
    const LinkSection& link = p.config().links[0];
    EXPECT_EQ(link.address.zone, 65535);
    EXPECT_EQ(link.address.point, 65535);
    EXPECT_EQ(link.zones[0].low, 65535);

    ASSERT_FALSE(p.run(std::string(kGlobals) +
                       named_link("A", "65536:1/1", "1:65536/0", "/out/a", "65536") + "ADDRESS 1:1/1.65536\r\n"));
    EXPECT_EQ(p.diagnostics(),
              (Lines{"ERROR line 7: Invalid ADDRESS. Use zone:net/node or zone:net/node.point.",
                     "ERROR line 8: Invalid HUB. Use zone:net/node or zone:net/node.point.",
                     "ERROR line 10: Invalid NETMAILZONE. Use one zone or an inclusive range such as 1-6.",
                     "ERROR line 11: Invalid ADDRESS. Use zone:net/node or zone:net/node.point.",
                     "ERROR line 6: Link is missing required ADDRESS.",
                     "ERROR line 6: Link is missing required HUB.",
                     "ERROR line 6: Named link is missing required NETMAILZONE."}));
    EXPECT_NE(p.report().find("  Address: <missing>\r\n  Hub: <missing>\r\n"), std::string::npos);
}

TEST(TosserLimits, ZoneAndAreaTablesStopAtTheirLimitsAndParsingGoesOn) {
    CfgParse p;
    std::string text = std::string(kGlobals) + "[LINK A]\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /out/a\r\n";
    for (int z = 1; z <= 32; ++z) text += "NETMAILZONE " + std::to_string(z * 10) + "\r\n";  // lines 10-41
    text += "NETMAILZONE 10\r\n";  // line 42: the 33rd, overlapping too
    text += "NETMAILZONE 5\r\n";   // line 43: the 34th
    for (int a = 1; a <= 256; ++a) text += "AREA TAG" + std::to_string(a) + "\r\n";  // lines 44-299
    text += "AREA tag1\r\n";       // line 300: the 257th is refused before the duplicate check
    text += "AREA BAD TAG\r\n";    // line 301: the tag rule comes first
    text += "SYSTEM late\r\n";     // line 302: still parsed
    ASSERT_FALSE(p.run(text));
    EXPECT_EQ(p.diagnostics(),
              (Lines{"ERROR line 42: More than 32 NETMAILZONE ranges were configured for this link.",
                     "ERROR line 43: More than 32 NETMAILZONE ranges were configured for this link.",
                     "ERROR line 300: More than 256 AREA directives were configured for this link.",
                     "ERROR line 301: Invalid AREA tag. It must be 1-15 characters and contain no spaces, controls, "
                     "colon, or DEL.",
                     "ERROR line 302: Global directive appears after the first LINK section."}));
    const LinkSection& link = p.config().links[0];
    EXPECT_EQ(link.zones.size(), 32u);
    EXPECT_EQ(link.area_tags.size(), 256u);
    EXPECT_EQ(link.area_tags.back(), "TAG256");
    EXPECT_EQ(link.area_lines.back(), 299);
    EXPECT_NE(p.report().find("  Areas: 256\r\n    AREA TAG1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace marlinth::test
