// Link directives and the rules across links: address, zone and tag syntax, packet-password
// length, overlaps and conflicts between links, the grouped end checks and the path resolver.
#include <gtest/gtest.h>

#include "core/strings.h"
#include "support/fault_platform.h"
#include "tosser/links.h"
#include "tosser_support.h"

namespace marlinth::test {
namespace {

using Lines = std::vector<std::string>;

TEST(FtnAddress, StrictSyntax) {
    struct Case {
        const char* text;
        uint16_t zone, net, node, point;
    };
    for (const Case& c : {Case{"2:250/1", 2, 250, 1, 0}, Case{"2:250/1.0", 2, 250, 1, 0}, Case{"02:0250/001", 2, 250, 1, 0},
                          Case{"1:0/0.0", 1, 0, 0, 0}, Case{"65535:65535/65535.65535", 65535, 65535, 65535, 65535},
                          Case{"00000000000000000021:1/2.3", 21, 1, 2, 3}}) {
        FtnAddress a;
        ASSERT_TRUE(parse_ftn_address(c.text, a)) << c.text;
        EXPECT_TRUE(a.valid);
        EXPECT_EQ(a.zone, c.zone) << c.text;
        EXPECT_EQ(a.net, c.net) << c.text;
        EXPECT_EQ(a.node, c.node) << c.text;
        EXPECT_EQ(a.point, c.point) << c.text;
    }
    for (const char* bad : {"", "0:250/1", "2:250", "2:250/", "2:250/1.", "2: 250/1", "2:250/1 ", " 2:250/1",
                            "2:65536/1", "65536:1/1", "2:250/65536", "2:250/1.65536", "99999999999999999999:1/1",
                            "2:250/1@fidonet", "2:250/1.0@fidonet", ":250/1", "2:/1", "2:250//1", "2:250/1.2.3",
                            "2-250/1", "2:250.1", "a:250/1", "2:250/-1", "+2:250/1"}) {
        FtnAddress a;
        a.zone = 77;
        EXPECT_FALSE(parse_ftn_address(bad, a)) << bad;
        EXPECT_EQ(a.zone, 77) << "output touched by " << bad;
        EXPECT_FALSE(a.valid);
    }
}

TEST(NetmailZone, SyntaxOfOneZoneOrAnInclusiveRange) {
    for (const auto& [text, low, high] : {std::tuple{"1-6", 1, 6}, std::tuple{"7", 7, 7}, std::tuple{"3-3", 3, 3},
                                          std::tuple{"001-0065535", 1, 65535}}) {
        NetmailZoneRange r;
        ASSERT_TRUE(parse_zone_range(text, r)) << text;
        EXPECT_EQ(r.low, low);
        EXPECT_EQ(r.high, high);
    }
    for (const char* bad : {"", "0", "6-1", "1-", "-1", "1 - 6", "1- 6", "0-5", "1-0", "65536", "1-65536", "1,2",
                            "1-2-3", "a", "1-6 "}) {
        NetmailZoneRange r;
        EXPECT_FALSE(parse_zone_range(bad, r)) << bad;
    }
}

TEST(AreaTag, CharactersAndLength) {
    for (const std::string& good : std::vector<std::string>{"A", "FSX_GEN", std::string(15, 'T'), "\x80\xC4\xFF", "Z-2.B/C"})
        EXPECT_TRUE(is_valid_area_tag(good)) << good;
    for (const std::string& bad : {std::string(), std::string(16, 'T'), std::string("A:B"), std::string("A B"),
                                  std::string("A\tB"), std::string("A\x7F"), std::string("\x01" "A"),
                                  std::string("A\0B", 3)})
        EXPECT_FALSE(is_valid_area_tag(bad)) << bad;
}

TEST(LinkDirectives, RepeatedAndRefusedValuesKeepTheEarlierOne) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) +
                       "[LINK A]\r\n"                                  // 6
                       "ADDRESS   2:250/1   \r\n"                      // 7
                       "ADDRESS 2:250\r\n"                             // 8
                       "HUB 2:250/0\r\n"                               // 9
                       "HUB 2:250/0.0\r\n"                             // 10
                       "OUTDIR /out/a\r\n"                             // 11
                       "OUTDIR\r\n"                                    // 12
                       "PKTPW 123456789\r\n"                           // 13: refused, so the next is not repeated
                       "PKTPW\r\n"                                     // 14
                       "PKTPW 12345678\r\n"                            // 15
                       "PKTPW abc\r\n"                                 // 16: repeated, accepted
                       "NETMAILZONE 1-6\r\n"                           // 17
                       "NETMAILZONE 7\r\n"                             // 18
                       "NETMAILZONE 6-8\r\n"                           // 19: shares end points
                       "NETMAILZONE 1 - 6\r\n"                         // 20
                       "AREA fsx_gen\r\n"                              // 21
                       "AREA FSX_GEN\r\n"                              // 22
                       "AREA " + std::string(16, 'L') + "\r\n"         // 23
                       "AREA A:B\r\n"                                  // 24
                       "ADDRESS " + std::string(29, '0') + "2:250/1\r\n"));  // 25: text kept to 31 characters
    EXPECT_EQ(p.diagnostics(),
              (Lines{"WARNING line 8: Repeated ADDRESS directive; the later value is used.",
                     "ERROR line 8: Invalid ADDRESS. Use zone:net/node or zone:net/node.point.",
                     "WARNING line 10: Repeated HUB directive; the later value is used.",
                     "WARNING line 12: Repeated OUTDIR directive; the later value is used.",
                     "ERROR line 12: Path value may not be blank.",
                     "ERROR line 13: PKTPW exceeds the eight-character limit.",
                     "ERROR line 14: Blank PKTPW is invalid. Omit the directive when the link has no packet password.",
                     "WARNING line 16: Repeated PKTPW directive; the later value is used.",
                     "ERROR line 19: NETMAILZONE range overlaps an existing range in this or another link.",
                     "ERROR line 20: Invalid NETMAILZONE. Use one zone or an inclusive range such as 1-6.",
                     "ERROR line 22: Duplicate AREA directive inside one link.",
                     "ERROR line 23: Invalid AREA tag. It must be 1-15 characters and contain no spaces, controls, "
                     "colon, or DEL.",
                     "ERROR line 24: Invalid AREA tag. It must be 1-15 characters and contain no spaces, controls, "
                     "colon, or DEL.",
                     "WARNING line 25: Repeated ADDRESS directive; the later value is used."}));
    const LinkSection& link = p.config().links[0];
    EXPECT_EQ(link.address_text, std::string(29, '0') + "2:");  // the first 31 characters
    EXPECT_EQ(link.address_line, 25);
    EXPECT_EQ(link.hub_text, "2:250/0.0");
    EXPECT_EQ(link.outdir, "/out/a");
    EXPECT_EQ(link.outdir_line, 11);
    EXPECT_TRUE(link.pktpw_set);
    EXPECT_EQ(link.pktpw_line, 16);
    EXPECT_EQ(link.zones.size(), 2u);
    EXPECT_EQ(link.area_tags, (std::vector<std::string>{"FSX_GEN"}));
    EXPECT_NE(p.report().find("  NetMail zones: 1-6, 7\r\n"), std::string::npos);
}

TEST(LinkRules, ZonesAndAreasAcrossLinks) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) + named_link("A", "2:250/1", "2:250/0", "/out/a", "1-6") +  // 6-10
                       "AREA fsx_gen\r\n"                                                                 // 11
                       + named_link("B", "2:250/2", "2:250/9", "/out/b", "3") +                           // 12-16
                       "NETMAILZONE 21\r\nNETMAILZONE 24\r\nNETMAILZONE 21-24\r\n"                        // 17-19
                       "AREA Fsx_Gen\r\nAREA FSX_BBS\r\n"));                                              // 20-21
    EXPECT_EQ(p.diagnostics(),
              (Lines{"ERROR line 16: NETMAILZONE range overlaps an existing range in this or another link.",
                     "ERROR line 19: NETMAILZONE range overlaps an existing range in this or another link.",
                     "ERROR line 20: AREA tag is assigned to more than one link."}));
    EXPECT_NE(p.report().find("[B]\r\n  Address: 2:250/2\r\n  Hub: 2:250/9\r\n  Outbound: /out/b\r\n"
                              "  Password: none\r\n  NetMail zones: 21, 24\r\n  Areas: 1\r\n    AREA FSX_BBS\r\n\r\n"),
              std::string::npos);
}

// Missing fields of link 1, then its clashes with every later link, then link 2, and so on.
TEST(LinkRules, EndChecksComeGroupedByLink) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) +
                       "[LINK A]\r\nADDRESS 2:250/1\r\nOUTDIR /out/a\r\nNETMAILZONE 1\r\n" +             // 6-9
                       "[LINK B]\r\nADDRESS 2:250/1.0\r\nHUB 2:250/0\r\nOUTDIR /OUT/A\r\n" +             // 10-13
                       "[LINK C]\r\nADDRESS 2:250/3\r\nHUB 2:250/0\r\nOUTDIR /out/c\r\nNETMAILZONE 2\r\n"  // 14-18
                       "[LINK D]\r\nADDRESS 2:250/4\r\nHUB 2:250/9\r\nOUTDIR /out/c/\r\nNETMAILZONE 3\r\n"));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 6: Link is missing required HUB.",
                                      "ERROR line 11: Two links use the same local ADDRESS.",
                                      "ERROR line 13: Two links use the same OUTDIR.",
                                      "ERROR line 10: Named link is missing required NETMAILZONE.",
                                      "ERROR line 16: Two links use the same HUB."}));

    // Two links with the same hub only: exactly one ERROR, at the second link's HUB line.
    ASSERT_FALSE(p.run(std::string(kGlobals) + named_link("A", "2:250/1", "2:250/0", "/out/a", "1") +
                       named_link("B", "2:250/2", "2:250/0", "/out/b", "2")));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 13: Two links use the same HUB."}));
}

TEST(ResolveTosserPaths, ReturnsTheThreeDirectoriesWithADerivedWorkdir) {
    CfgParse p;
    write_bytes(p.path(), "CONFDIR /bbs/sf\r\nMSGDIR /bbs/msg\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o\r\n");
    auto report = TextBuffer::create();
    report->append("stale text\r\n");
    std::string confdir = "x", msgdir = "x", workdir = "x";
    ASSERT_TRUE(resolve_tosser_paths(p.platform(), p.path(), &confdir, 260, &msgdir, 260, &workdir, 260, report.get()));
    EXPECT_EQ(confdir, "/bbs/sf");
    EXPECT_EQ(msgdir, "/bbs/msg");
    EXPECT_EQ(workdir, "/bbs/sf" + std::string(1, kPathSeparator) + "WORK");
    EXPECT_EQ(report->str().rfind("QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY\r\n", 0), 0u);
    EXPECT_NE(report->str().find("WORKDIR: /bbs/sf"), std::string::npos);

    // Outputs are cut to their capacity less one; absent or zero-capacity outputs are left alone.
    std::string small = "untouched";
    ASSERT_TRUE(resolve_tosser_paths(p.platform(), p.path(), &confdir, 5, nullptr, 260, &small, 0, nullptr));
    EXPECT_EQ(confdir, "/bbs");
    EXPECT_EQ(small, "untouched");
}

TEST(ResolveTosserPaths, FailureLeavesTheOutputsAndExplainsWhy) {
    CfgParse p;
    write_bytes(p.path(), "CONFDIR /bbs/sf\r\nMSGDIR /bbs/msg\r\nWORKDIR /w\r\nADDRESS 2:250\r\n");
    auto report = TextBuffer::create();
    std::string confdir = "keep", msgdir = "keep", workdir = "keep";
    EXPECT_FALSE(resolve_tosser_paths(p.platform(), p.path(), &confdir, 260, &msgdir, 260, &workdir, 260, report.get()));
    EXPECT_EQ(confdir + msgdir + workdir, "keepkeepkeep");
    EXPECT_NE(report->str().find("ERROR line 4: Invalid ADDRESS."), std::string::npos);

    EXPECT_FALSE(resolve_tosser_paths(p.platform(), p.dir() / "GONE.CFG", &confdir, 260, &msgdir, 260, &workdir, 260,
                                      report.get()));
    EXPECT_NE(report->str().find("Cannot open: "), std::string::npos);
    EXPECT_EQ(workdir, "keep");
}

TEST(ResolveTosserPaths, OutOfMemoryIsReportedForTheConfigAndForTheFileImage) {
    CfgParse p;
    write_bytes(p.path(), "CONFDIR /sf\r\nMSGDIR /m\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /o\r\n");
    FaultPlatform faulty(p.platform());
    auto report = TextBuffer::create();
    report->append("before\r\n");
    std::string workdir = "keep";
    faulty.fail_nth(Op::Allocate, 1);
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path(), nullptr, 0, nullptr, 0, &workdir, 260, report.get()));
    EXPECT_EQ(report->str(), "before\r\nOut of memory while reading QUARRO32.CFG.\r\n");
    faulty.reset_counts();
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path(), nullptr, 0, nullptr, 0, &workdir, 260, nullptr));

    faulty.reset_counts();
    faulty.fail_nth(Op::Allocate, 2);
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path(), nullptr, 0, nullptr, 0, &workdir, 260, report.get()));
    EXPECT_NE(report->str().find("No production configuration file is modified by this operation.\r\n\r\nOut of memory."),
              std::string::npos);
    EXPECT_EQ(workdir, "keep");

    faulty.fail_nth(Op::Allocate, 0);
    EXPECT_TRUE(resolve_tosser_paths(faulty, p.path(), nullptr, 0, nullptr, 0, &workdir, 260, report.get()));
    EXPECT_EQ(workdir, "/sf" + std::string(1, kPathSeparator) + "WORK");
}

}  // namespace
}  // namespace marlinth::test
