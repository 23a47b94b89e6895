// The parse report as the sysop reads it: header, diagnostics in the order they arise and the
// summary, for whole files of both layouts.
#include <gtest/gtest.h>

#include "core/strings.h"
#include "tosser_support.h"

namespace marlinth::test {
namespace {

const std::string kSep(1, kPathSeparator);

TEST(TosserReport, LegacyFileGivesTheFullReport) {
    CfgParse p;
    ASSERT_TRUE(p.run("; Test system QUARRO32.CFG\r\n"
                      "CONFDIR /bbs/sf/\r\n"
                      "MSGDIR /bbs/msg\r\n"
                      "INBOUND /bbs/q/in\r\n"
                      "SYSTEM Harbour Light BBS\r\n"
                      "\r\n"
                      "ADDRESS 2:250/1\r\n"
                      "HUB 2:250/0\r\n"
                      "OUTDIR /bbs/q/out\r\n"
                      "PKTPW Sx9Qv2Lm\r\n"));
    const std::string expected = put_var(put_var(R"(QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY
================================================
File: ${PATH}
No production configuration file is modified by this operation.

WARNING: WORKDIR omitted; using <CONFDIR>\WORK.
WARNING: KEEPPROCESSED omitted; default is yes.
WARNING: PROCESSEDDIR omitted; Quarro32 uses the default inbound processed subdirectory.

QUARRO32.CFG SUMMARY
=====================
File: ${PATH}
Configuration format: Legacy single-link
CONFDIR: /bbs/sf/
WORKDIR: /bbs/sf${SEP}WORK (derived)
MSGDIR: /bbs/msg
INBOUND: /bbs/q/in
SYSTEM: Harbour Light BBS
KEEPPROCESSED: yes (default)
PROCESSEDDIR: <default inbound\processed>
Links found: 1

[DEFAULT]
  Address: 2:250/1
  Hub: 2:250/0
  Outbound: /bbs/q/out
  Password: set
  NetMail zones: <none>
  Areas: 0

Parser warnings: 3
Parser errors: 0
Unknown directives: 0
Comments preserved: 1

Security note: packet-password values are never retained in this model or shown in this report.
)",
                                           "PATH", p.path()),
                                      "SEP", kSep);
    EXPECT_EQ(p.report(), crlf(expected));
    EXPECT_EQ(p.config().mode, 1u);
    ASSERT_EQ(p.config().link_count(), 1);
    EXPECT_EQ(p.config().links[0].section_line, 6);  // the first link directive; the empty line is not counted
    EXPECT_EQ(p.config().links[0].pktpw_line, 9);
}

const char* const kMultiLink =
    "; Marlinth test configuration\r\n"
    "CONFDIR /bbs/sf\r\n"
    "WORKDIR /bbs/quarro/work\r\n"
    "MSGDIR /bbs/msg\r\n"
    "INBOUND /bbs/quarro/in\r\n"
    "SYSTEM Harbour Light BBS\r\n"
    "KEEPPROCESSED N\r\n"
    "PROCESSEDDIR /bbs/quarro/done\r\n"
    "ROUTEFILE /bbs/quarro/route.cfg \t\r\n"
    "\r\n"
    "[LINK FidoHub]\r\n"
    "ADDRESS 2:250/101\r\n"
    "HUB 2:250/0\r\n"
    "OUTDIR /bbs/quarro/out/fido\r\n"
    "PKTPW Kx4Tm9Qa\r\n"
    "NETMAILZONE 1-6\r\n"
    "NETMAILZONE 7\r\n"
    "AREA fsx_gen\r\n"
    "AREA FSX_BBS\r\n"
    "\r\n"
    "[link  Other Net ]\r\n"
    "address 21:1/101.5\r\n"
    "hub 21:1/100\r\n"
    "outdir /bbs/quarro/out/other\r\n"
    "netmailzone 21-24\r\n"
    "area other_chat\r\n"
    "   ; indented comment\r\n"
    "#legacy\r\n";

const char* const kMultiLinkReport = R"(QUARRO32 v1.07 CONFIGURATION PARSER - READ ONLY
================================================
File: ${PATH}
No production configuration file is modified by this operation.

WARNING line 9: Unknown directive is preserved and ignored by Quarro32.
WARNING line 26: Unknown directive is preserved and ignored by Quarro32.

QUARRO32.CFG SUMMARY
=====================
File: ${PATH}
Configuration format: Multi-link
CONFDIR: /bbs/sf
WORKDIR: /bbs/quarro/work
MSGDIR: /bbs/msg
INBOUND: /bbs/quarro/in
SYSTEM: Harbour Light BBS
KEEPPROCESSED: no
PROCESSEDDIR: /bbs/quarro/done
Links found: 2

[FIDOHUB]
  Address: 2:250/101
  Hub: 2:250/0
  Outbound: /bbs/quarro/out/fido
  Password: set
  NetMail zones: 1-6, 7
  Areas: 2
    AREA FSX_GEN
    AREA FSX_BBS

[OTHER NET]
  Address: 21:1/101.5
  Hub: 21:1/100
  Outbound: /bbs/quarro/out/other
  Password: none
  NetMail zones: 21-24
  Areas: 1
    AREA OTHER_CHAT

Parser warnings: 2
Parser errors: 0
Unknown directives: 2
Comments preserved: 2

UNKNOWN DIRECTIVES (preserved; not rewritten)
---------------------------------------------
Line 9: ROUTEFILE /bbs/quarro/route.cfg ${TAB}
Line 26: #legacy

Security note: packet-password values are never retained in this model or shown in this report.
)";

TEST(TosserReport, MultiLinkFileGivesTheFullReport) {
    CfgParse p;
    ASSERT_TRUE(p.run(kMultiLink));
    EXPECT_EQ(p.report(), crlf(put_var(put_var(kMultiLinkReport, "PATH", p.path()), "TAB", "\t")));
    const TosserConfig& c = p.config();
    EXPECT_EQ(c.mode, 2u);
    EXPECT_EQ(c.keepprocessed, 0u);
    EXPECT_EQ(c.blank_lines, 0);  // runs of line breaks never make an empty line
    ASSERT_EQ(c.preserved.size(), 4u);
    EXPECT_EQ(c.preserved[2].text, "   ; indented comment");  // raw, with its leading blanks
    EXPECT_EQ(c.preserved[2].kind, PreservedKind::Comment);
    EXPECT_EQ(c.preserved[2].line, 25);
    EXPECT_EQ(c.links[1].section_line, 19);
    EXPECT_EQ(c.links[1].address.point, 5);
    EXPECT_EQ(c.links[0].area_lines, (std::vector<int32_t>{17, 18}));
}

// The same file with CR-only, LF-only and mixed runs of line breaks reads exactly the same.
TEST(TosserReport, LineBreakStylesDoNotChangeTheResult) {
    CfgParse crlf_file;
    ASSERT_TRUE(crlf_file.run(kMultiLink));
    for (const std::string& breaks : std::vector<std::string>{"\r", "\n", "\n\r", "\r\r\n\n\r"}) {
        const std::string text = kMultiLink;
        std::string converted;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\r\n") == 0) {
                converted += breaks;
                ++i;
            } else {
                converted.push_back(text[i]);
            }
        }
        CfgParse p;
        ASSERT_TRUE(p.run(converted)) << "breaks of " << breaks.size() << " bytes";
        EXPECT_EQ(p.neutral_report(), crlf_file.neutral_report()) << "breaks of " << breaks.size() << " bytes";
    }
}

}  // namespace
}  // namespace marlinth::test
