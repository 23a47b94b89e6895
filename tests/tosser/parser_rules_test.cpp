// The parser's grammar: line splitting, comments and preserved lines, section headers, global
// directives, the two link layouts and the end-of-parse checks. Each case names the exact
// diagnostics, in order, that a sysop would see.
#include <gtest/gtest.h>

#include "core/strings.h"
#include "tosser_support.h"

namespace marlinth::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kLinkA = named_link("A", "2:250/1", "2:250/0", "/out/a", "1");  // five lines

TEST(TosserLines, EmptyLinesAndLeadingBreaksDoNotAdvanceLineNumbers) {
    CfgParse p;
    p.run(std::string(kGlobals) + "\n\n\nFOO a\r\n\r\n\rBAR\n" + kLinkA);
    EXPECT_EQ(p.diagnostics(), (Lines{"WARNING line 6: Unknown directive is preserved and ignored by Quarro32.",
                                      "WARNING line 7: Unknown directive is preserved and ignored by Quarro32."}));

    p.run("\r\nFOO\r\n");
    EXPECT_EQ(p.diagnostics().front(), "WARNING line 2: Unknown directive is preserved and ignored by Quarro32.");
    EXPECT_EQ(p.config().blank_lines, 1);  // the empty first line
}

TEST(TosserLines, LineLimitIs511CharactersAndTheRestOfALongLineIsNeverRead) {
    CfgParse p;
    const std::string comment511 = ";" + std::string(510, 'c');
    // 512 characters whose tail would read as a directive if the rest were split off as a line.
    const std::string long512 = "; " + std::string(498, 'x') + "MSGDIR /evil";
    ASSERT_EQ(long512.size(), 512u);
    ASSERT_TRUE(p.run(std::string(kGlobals) + comment511 + "\r\n" + long512 + "\r\nFOO\r\n" + kLinkA) == false);
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 7: Line exceeds the 511-character parser limit.",
                                      "WARNING line 8: Unknown directive is preserved and ignored by Quarro32."}));
    EXPECT_EQ(p.config().msgdir, "/bbs/msg");
    EXPECT_EQ(p.config().comment_lines, 1);  // the overlong comment is ignored altogether
    ASSERT_EQ(p.config().preserved.size(), 2u);
    EXPECT_EQ(p.config().preserved[0].text, comment511);

    // Far longer lines and a last line without a break behave the same.
    p.run(std::string(kGlobals) + kLinkA + std::string(100000, 'z'));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 11: Line exceeds the 511-character parser limit."}));
}

TEST(TosserLines, NulByteEndsTheTextButNotTheLine) {
    CfgParse p;
    using namespace std::string_literals;
    ASSERT_TRUE(p.run(std::string(kGlobals) + "SYSTEM Harbour\0/evil\r\n"s + "; note\0hidden\r\n"s +
                      "[LINK A]\0junk\r\n"s +
                      "ADDRESS 2:250/1\0.7\r\nHUB 2:250/0\r\nOUTDIR /out/a\r\nNETMAILZONE 1\r\n"s +
                      "AREA FSX\0:BAD\r\nPKTPW abc\0defghijk\r\n"s));
    EXPECT_EQ(p.config().system, "Harbour");
    EXPECT_EQ(p.config().preserved[0].text, "; note");
    EXPECT_EQ(p.config().links[0].address.point, 0);
    EXPECT_EQ(p.config().links[0].area_tags, (std::vector<std::string>{"FSX"}));
    EXPECT_TRUE(p.config().links[0].pktpw_set);  // three characters before the NUL

    // The length limit counts the bytes as read, NUL and all.
    p.run(std::string(kGlobals) + kLinkA + "; " + std::string(300, 'x') + std::string(1, '\0') +
          std::string(300, 'y') + "\r\n");
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 11: Line exceeds the 511-character parser limit."}));
}

TEST(TosserLines, CommentsAndUnknownDirectivesArePreservedRawUpTo128) {
    CfgParse p;
    std::string text = std::string(kGlobals) + kLinkA + "  ; two spaces first\r\n#not a comment\r\nMSGDIR=C:\\MSG\r\n";
    ASSERT_TRUE(p.run(text));
    EXPECT_EQ(p.diagnostics(), (Lines{"WARNING line 12: Unknown directive is preserved and ignored by Quarro32.",
                                      "WARNING line 13: Unknown directive is preserved and ignored by Quarro32."}));
    ASSERT_EQ(p.config().preserved.size(), 3u);
    EXPECT_EQ(p.config().preserved[0].text, "  ; two spaces first");
    EXPECT_EQ(p.config().preserved[1].kind, PreservedKind::UnknownDirective);
    EXPECT_EQ(p.config().msgdir, "/bbs/msg");  // "MSGDIR=..." is one unknown keyword

    // 130 comments fill the list; later unknown directives are counted and warned about only.
    text = std::string(kGlobals) + kLinkA;
    for (int i = 0; i < 130; ++i) text += "; comment " + std::to_string(i) + "\r\n";
    for (int i = 0; i < 3; ++i) text += "ODD" + std::to_string(i) + " x\r\n";
    ASSERT_TRUE(p.run(text));
    EXPECT_EQ(p.config().preserved.size(), 128u);
    EXPECT_EQ(p.config().preserved.back().text, "; comment 127");
    EXPECT_EQ(p.config().comment_lines, 130);
    EXPECT_EQ(p.config().unknown_directives, 3);
    EXPECT_EQ(p.config().warnings, 3);
    const std::string report = p.report();
    EXPECT_NE(report.find("Unknown directives: 3\r\nComments preserved: 130\r\n\r\n"
                          "UNKNOWN DIRECTIVES (preserved; not rewritten)\r\n" +
                          std::string(45, '-') + "\r\n\r\nSecurity note"),
              std::string::npos);
}

TEST(TosserSections, MalformedUnknownNamelessAndOverlongHeaders) {
    CfgParse p;
    const std::string name31(31, 'n');
    ASSERT_FALSE(p.run(std::string(kGlobals) + "[]\r\n[LINK\r\n[ ]\r\n[NODE x]\r\n[LINK]\r\n[LINK " +
                       std::string(32, 'n') + "]\r\nADDRESS 2:250/9\r\n" +
                       named_link(name31, "2:250/1", "2:250/0", "/out/a", "1")));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 6: Malformed section header.",
                                      "ERROR line 7: Malformed section header.",
                                      "ERROR line 8: Unknown section type. Only [LINK name] is valid.",
                                      "ERROR line 9: Unknown section type. Only [LINK name] is valid.",
                                      "ERROR line 10: LINK section name is required.",
                                      "ERROR line 11: LINK section name exceeds 31 characters.",
                                      // no valid section yet: a link directive here is a legacy one
                                      "ERROR line 13: Legacy flat link directives may not be mixed with named LINK sections.",
                                      "ERROR: Configuration mixes legacy flat directives with named LINK sections.",
                                      "ERROR line 12: Link is missing required HUB.",
                                      "ERROR line 12: Link is missing required OUTDIR.",
                                      "ERROR line 12: Named link is missing required NETMAILZONE."}));
    ASSERT_EQ(p.config().link_count(), 2);
    EXPECT_EQ(p.config().links[1].name, std::string(31, 'N'));
}

TEST(TosserSections, DuplicateNamesAreCaseInsensitiveAndInnerBlanksStay) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) + named_link("hub1", "2:250/1", "2:250/0", "/out/a", "1") +
                       "[LINK Hub1]\r\nADDRESS 2:250/2\r\n" +
                       named_link(" my\thub ", "2:250/3", "2:250/9", "/out/c", "2") + "\t[  link   two  words  ]  \r\n"));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 11: Duplicate LINK name (case-insensitive).",
                                      "ERROR line 12: Link directive appears outside a LINK section.",
                                      "ERROR line 18: Link is missing required ADDRESS.",
                                      "ERROR line 18: Link is missing required HUB.",
                                      "ERROR line 18: Link is missing required OUTDIR.",
                                      "ERROR line 18: Named link is missing required NETMAILZONE."}));
    ASSERT_EQ(p.config().link_count(), 3);
    EXPECT_EQ(p.config().links[0].name, "HUB1");
    EXPECT_EQ(p.config().links[1].name, "MY\tHUB");
    EXPECT_EQ(p.config().links[2].name, "TWO  WORDS");
}

TEST(TosserSections, SeventeenthSectionIsRefusedAndItsDirectivesAreOutside) {
    CfgParse p;
    std::string text = kGlobals;
    for (int i = 1; i <= 17; ++i)
        text += named_link("L" + std::to_string(i), "2:250/" + std::to_string(i), "2:251/" + std::to_string(i),
                           "/out/" + std::to_string(i), std::to_string(i));
    ASSERT_FALSE(p.run(text));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 86: More than 16 LINK sections were configured.",
                                      "ERROR line 87: Link directive appears outside a LINK section.",
                                      "ERROR line 88: Link directive appears outside a LINK section.",
                                      "ERROR line 89: Link directive appears outside a LINK section.",
                                      "ERROR line 90: Link directive appears outside a LINK section."}));
    EXPECT_EQ(p.config().link_count(), 16);
    EXPECT_EQ(p.config().links.back().name, "L16");
}

TEST(TosserGlobals, RepeatedRefusedAndLateGlobals) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) + "CONFDIR /bbs/sf2\r\nCONFDIR /" + std::string(255, 'd') +
                       "\r\nSYSTEM " + std::string(64, 's') + "\r\nSYSTEM\r\nSYSTEM " + std::string(63, 's') +
                       "\r\nKEEPPROCESSED true\r\nINBOUND\r\nINBOUND /" + std::string(254, 'i') + "\r\n" + kLinkA +
                       "MSGDIR /late\r\n"));
    EXPECT_EQ(p.diagnostics(), (Lines{"WARNING line 6: Repeated CONFDIR directive; the later value is used.",
                                      "WARNING line 7: Repeated CONFDIR directive; the later value is used.",
                                      "ERROR line 7: Path value exceeds 255 characters.",
                                      "ERROR line 8: SYSTEM must contain 1-63 characters.",
                                      "ERROR line 9: SYSTEM must contain 1-63 characters.",
                                      "WARNING line 11: Repeated KEEPPROCESSED directive; the later value is used.",
                                      "ERROR line 11: KEEPPROCESSED must be YES/Y/1 or NO/N/0.",
                                      "ERROR line 12: Path value may not be blank.",
                                      "ERROR line 19: Global directive appears after the first LINK section."}));
    const TosserConfig& c = p.config();
    EXPECT_EQ(c.confdir, "/bbs/sf2");  // the refused later value leaves the earlier one
    EXPECT_EQ(c.confdir_line, 6);
    EXPECT_EQ(c.system.size(), 63u);
    EXPECT_EQ(c.keepprocessed, 1u);
    EXPECT_EQ(c.inbound.size(), 255u);
    EXPECT_EQ(c.msgdir, "/bbs/msg");
}

TEST(TosserGlobals, KeepProcessedValues) {
    CfgParse p;
    const std::pair<const char*, uint32_t> cases[] = {{"YES", 1}, {"y", 1}, {"1", 1}, {"No", 0}, {"n", 0}, {"0", 0}};
    for (const auto& [value, expected] : cases) {
        ASSERT_TRUE(p.run(std::string("CONFDIR /sf\r\nMSGDIR /m\r\nKEEPPROCESSED ") + value + "\r\n" + kLinkA));
        EXPECT_EQ(p.config().keepprocessed, expected) << value;
        EXPECT_TRUE(p.config().keepprocessed_set);
    }
    p.run(std::string("CONFDIR /sf\r\nMSGDIR /m\r\n") + kLinkA);
    EXPECT_EQ(p.config().keepprocessed, 1u);
    EXPECT_FALSE(p.config().keepprocessed_set);
}

TEST(TosserGlobals, MissingMsgdirWhenOnlyGivenAfterTheFirstSection) {
    CfgParse p;
    ASSERT_FALSE(p.run("CONFDIR /sf\r\nWORKDIR /w\r\nKEEPPROCESSED 1\r\nPROCESSEDDIR /p\r\n" + kLinkA + "MSGDIR /msg\r\n"));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 10: Global directive appears after the first LINK section.",
                                      "ERROR: Missing required global MSGDIR."}));
    EXPECT_FALSE(p.config().msgdir_set);
}

TEST(TosserLayouts, LegacyFlatLinkWithGlobalsAmongItsDirectives) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) + "ADDRESS 2:250/1\r\nSYSTEM Harbour\r\nHUB 2:250/0\r\nOUTDIR /out\r\n"
                                                "AREA FSX_GEN\r\nNETMAILZONE 1\r\n"));
    EXPECT_EQ(p.diagnostics(),
              (Lines{"ERROR line 10: AREA and NETMAILZONE are not accepted in legacy flat single-link mode.",
                     "ERROR line 11: AREA and NETMAILZONE are not accepted in legacy flat single-link mode."}));
    ASSERT_EQ(p.config().link_count(), 1);
    EXPECT_EQ(p.config().mode, 1u);
    EXPECT_EQ(p.config().links[0].name, "DEFAULT");
    EXPECT_EQ(p.config().links[0].section_line, 6);
    EXPECT_TRUE(p.config().system_set);

    // A legacy link needs no NETMAILZONE; the same directives in a named section do.
    ASSERT_TRUE(p.run(std::string(kGlobals) + "ADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /out\r\n"));
    ASSERT_FALSE(p.run(std::string(kGlobals) + "[LINK A]\r\nADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /out\r\n"));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR line 6: Named link is missing required NETMAILZONE."}));

    // An AREA before any link directive does not start the legacy link.
    ASSERT_FALSE(p.run(std::string(kGlobals) + "AREA FSX_GEN\r\n"));
    EXPECT_EQ(p.config().mode, 0u);
    EXPECT_EQ(p.config().link_count(), 0);
}

TEST(TosserLayouts, MixingLegacyAndNamedIsReportedAtTheHeaderAndAtTheEnd) {
    CfgParse p;
    ASSERT_FALSE(p.run(std::string(kGlobals) + "ADDRESS 2:250/1\r\nHUB 2:250/0\r\nOUTDIR /out/a\r\n" +
                       named_link("B", "2:250/2", "2:250/9", "/out/b", "1") + "[LINK default]\r\nINBOUND /in\r\n"));
    EXPECT_EQ(p.diagnostics(),
              (Lines{"ERROR line 9: Legacy flat link directives may not be mixed with named LINK sections.",
                     "ERROR line 14: Legacy flat link directives may not be mixed with named LINK sections.",
                     "ERROR line 14: Duplicate LINK name (case-insensitive).",
                     "ERROR line 15: Global directive appears after the first LINK section.",
                     "ERROR: Configuration mixes legacy flat directives with named LINK sections.",
                     "ERROR line 6: Named link is missing required NETMAILZONE."}));
    EXPECT_EQ(p.config().mode, 2u);
    EXPECT_EQ(p.config().link_count(), 2);
    EXPECT_NE(p.report().find("Configuration format: Multi-link\r\n"), std::string::npos);
}

TEST(TosserEnd, EmptyFileFailsWithTheMissingEssentials) {
    CfgParse p;
    EXPECT_FALSE(p.run(""));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR: No legacy link directives or named LINK sections were found.",
                                      "ERROR: Missing required global CONFDIR.",
                                      "ERROR: Missing required global MSGDIR.",
                                      "WARNING: KEEPPROCESSED omitted; default is yes.",
                                      "WARNING: PROCESSEDDIR omitted; Quarro32 uses the default inbound processed "
                                      "subdirectory."}));
    EXPECT_EQ(p.config().mode, 0u);
    const std::string report = p.report();
    EXPECT_NE(report.find("Configuration format: Unknown\r\nCONFDIR: <missing>\r\nWORKDIR: <missing>\r\n"
                          "MSGDIR: <missing>\r\nINBOUND: <not configured>\r\nSYSTEM: <not configured>\r\n"
                          "KEEPPROCESSED: yes (default)\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("Links found: 0\r\n\r\nParser warnings: 2\r\nParser errors: 3\r\n"), std::string::npos);
}

TEST(TosserEnd, DerivedWorkdirAndItsLengthLimit) {
    const std::string sep(1, kPathSeparator);
    CfgParse p;
    const std::string rest = std::string("MSGDIR /m\r\nKEEPPROCESSED 0\r\nPROCESSEDDIR /p\r\n") + kLinkA;

    ASSERT_TRUE(p.run("CONFDIR /bbs/sf\\/\r\n" + rest));
    EXPECT_EQ(p.config().workdir, "/bbs/sf" + sep + "WORK");
    EXPECT_TRUE(p.config().workdir_derived);
    EXPECT_EQ(p.diagnostics(), (Lines{"WARNING: WORKDIR omitted; using <CONFDIR>\\WORK."}));

    const std::string c254 = "/" + std::string(253, 'c');
    ASSERT_TRUE(p.run("CONFDIR " + c254 + "\r\n" + rest));
    EXPECT_EQ(p.config().workdir.size(), 259u);
    ASSERT_TRUE(p.run("CONFDIR " + c254 + "/\r\n" + rest));  // 255 with a trailing separator still fits
    EXPECT_EQ(p.config().workdir.size(), 259u);

    ASSERT_FALSE(p.run("CONFDIR " + c254 + "c\r\n" + rest));
    EXPECT_EQ(p.diagnostics(), (Lines{"ERROR: WORKDIR omitted and derived path is too long."}));
    EXPECT_FALSE(p.config().workdir_set);
    EXPECT_TRUE(p.config().workdir.empty());
    EXPECT_NE(p.report().find("WORKDIR: <missing>\r\n"), std::string::npos);

    // A WORKDIR given after a refused one is not derived.
    ASSERT_TRUE(p.run("CONFDIR /sf\r\nWORKDIR\r\nWORKDIR /w\r\n" + rest) == false);
    EXPECT_FALSE(p.config().workdir_derived);
    EXPECT_EQ(p.config().workdir, "/w");
}

}  // namespace
}  // namespace marlinth::test
