// The QUARRO32.CFG reader: each case names the exact diagnostics, in order, that a sysop would
// see (or, for the long ones, the lines its report changes against a clean file's, in
// tosser_diagnostics.expected), and the parts of the model the report does not show. Then oversized input, the syntax rules, the resolver the
// writer preflight uses, and what becomes of the packet passwords. Last, the tosser import through
// the whole program (headless), compared with its transcript.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <sstream>

#include "core/strings.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/golden_diff.h"
#include "support/script_harness.h"
#include "support/temp_dir.h"
#include "tosser/links.h"
#include "tosser/parser.h"

namespace marlinth::test {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// '|' stands for CR LF, so a whole file fits on a line.
std::string cfg(std::string text) {
    for (size_t pos; (pos = text.find('|')) != std::string::npos;) text.replace(pos, 1, "\r\n");
    return text;
}
const std::string kGlobals = cfg("CONFDIR /bbs/sf|WORKDIR /bbs/q/work|MSGDIR /bbs/msg|KEEPPROCESSED 1|PROCESSEDDIR /p|");
std::string link(const std::string& name, const std::string& address, const std::string& hub, const std::string& zone) {
    return cfg("[LINK " + name + "]|ADDRESS " + address + "|HUB " + hub + "|OUTDIR /out/" + name + "|NETMAILZONE " + zone +
               "|");
}
const std::string kLinkA = link("A", "2:250/1", "2:250/0", "1");  // five lines
// n lines, each made from its number (from 1).
std::string repeat(int n, const std::function<std::string(const std::string&)>& line) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += line(std::to_string(i));
    return text;
}

std::string E(int line, const std::string& m) { return "ERROR" + (line ? " line " + std::to_string(line) : "") + ": " + m; }
std::string W(int line, const std::string& m) { return "WARNING" + E(line, m).substr(5); }
const std::string kUnknown = "Unknown directive is preserved and ignored by Quarro32.";
const std::string kLong = "Line exceeds the 511-character parser limit.";
const std::string kOutside = "Link directive appears outside a LINK section.";
const std::string kBadTag = "Invalid AREA tag. It must be 1-15 characters and contain no spaces, controls, colon, or DEL.";
const std::string kOverlap = "NETMAILZONE range overlaps an existing range in this or another link.";
const std::string kLegacyArea = "AREA and NETMAILZONE are not accepted in legacy flat single-link mode.";

struct CfgParse {
    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; }
    bool run(const std::string& bytes) {
        return write(bytes), parse_tosser_config(*platform, path, config, report.get(), nullptr);
    }
    Lines diagnostics() const {
        Lines out;
        std::istringstream in(report->str());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("ERROR", 0) == 0 || line.rfind("WARNING", 0) == 0)
                out.push_back(line.substr(0, line.size() - 1));  // without its CR
        return out;
    }
    std::unique_ptr<Platform> platform = make_native_platform();
    TempDir dir;
    std::string path = dir / "QUARRO32.CFG";
    TosserConfig config;
    std::unique_ptr<TextBuffer> report = TextBuffer::create();
};

struct Case {
    const char* what;
    std::string text;
    Lines diagnostics;  // none: the report goes to the golden file
    std::function<void(const TosserConfig&, const std::string& report)> check;
};

TEST(TosserParser, DiagnosticsAndModel) {
    const std::string sep(1, kPathSeparator), comment511 = ";" + std::string(510, 'c'), c254 = "/" + std::string(253, 'c');
    const std::string rest = cfg("MSGDIR /m|KEEPPROCESSED 0|PROCESSEDDIR /p|") + kLinkA;
    const Case cases[] = {
        {"line numbers skip runs of breaks; a long line is refused whole, its tail never read",
         "\r\n" + kGlobals + "\n\n\nFOO a\r\n\r\n\rBAR\n" + comment511 + "\r\n; " + std::string(498, 'x') +
             "MSGDIR /evil\r\nFOO\r\n" + kLinkA + std::string(100000, 'z'),
         {W(7, kUnknown), W(8, kUnknown), E(10, kLong), W(11, kUnknown), E(17, kLong)},
         [&](auto& c, auto&) {
             EXPECT_EQ(c.msgdir, "/bbs/msg");
             EXPECT_EQ(c.comment_lines, 1);  // the overlong one is not a comment either
             EXPECT_EQ(c.preserved.at(2).text, comment511);
         }},
        {"a NUL ends the text of its line, but the length limit counts every byte",
         kGlobals + cfg("SYSTEM Harbour\0/evil|; note\0hidden|[LINK A]\0junk|ADDRESS 2:250/1\0.7|HUB 2:250/0|"
                        "OUTDIR /o|NETMAILZONE 1|AREA FSX\0:BAD|PKTPW abc\0defghijk|; "s) +
             std::string(300, 'x') + '\0' + std::string(300, 'y'),
         {}, [](auto& c, auto&) { EXPECT_EQ(c.preserved.at(0).text, "; note"); }},
        {"comments and unknown directives are kept raw, the first 128 of them",
         kGlobals + kLinkA + cfg("  ; two spaces first|#not a comment|MSGDIR=C:\\MSG|") +
             repeat(130, [](auto& i) { return cfg("; comment " + i + "|"); }) + cfg("ODD1 x|ODD2|ODD3|"),
         {}, [](auto& c, auto&) {
             EXPECT_EQ(c.preserved.size(), 128u);
             EXPECT_EQ(c.preserved.at(0).text, "  ; two spaces first");
         }},
        {"malformed, unknown, nameless and overlong section headers",
         kGlobals + cfg("[]|[LINK|[ ]|[NODE x]|[LINK]|[LINK " + std::string(32, 'n') + "]|ADDRESS 2:250/9|") +
             link(std::string(31, 'n'), "2:250/1", "2:250/0", "1")},
        {"link names are unique regardless of case and keep their inner blanks",
         kGlobals + link("hub1", "2:250/1", "2:250/0", "1") + cfg("[LINK Hub1]|ADDRESS 2:250/2|") +
             link(" my\thub ", "2:250/3", "2:250/9", "002-0065535") + "\t[  link   two  words  ]  \r\n"},
        {"a seventeenth section is refused and its directives are outside any",
         kGlobals + repeat(17, [](auto& n) { return link("L" + n, "2:250/" + n, "2:251/" + n, n); }),
         {E(86, "More than 16 LINK sections were configured."), E(87, kOutside), E(88, kOutside), E(89, kOutside),
          E(90, kOutside)}},
        {"globals repeated, refused (leaving the earlier value) and given after the first section",
         kGlobals + cfg("CONFDIR /bbs/sf2|CONFDIR /" + std::string(255, 'd') + "|SYSTEM " + std::string(64, 's') +
                        "|SYSTEM|SYSTEM " + std::string(63, 's') + "|KEEPPROCESSED true|INBOUND|INBOUND /" +
                        std::string(254, 'i') + "|") + kLinkA + cfg("MSGDIR /late|")},
        {"a legacy flat link takes globals among its directives, needs no NETMAILZONE and takes none",
         kGlobals + cfg("ADDRESS 2:250/1|SYSTEM Harbour|HUB 2:250/0|OUTDIR /out|AREA FSX_GEN|NETMAILZONE 1|"),
         {E(10, kLegacyArea), E(11, kLegacyArea)},
         [](auto&, auto& r) { EXPECT_NE(r.find("\r\nConfiguration format: Legacy single-link\r\n"), std::string::npos); }},
        {"an AREA before any link directive starts no legacy link", kGlobals + cfg("AREA FSX_GEN|"),
         {E(6, kLegacyArea), E(0, "No legacy link directives or named LINK sections were found.")},
         [](auto& c, auto&) { EXPECT_TRUE(c.mode == 0 && c.link_count() == 0); }},
        {"an empty file lacks the essentials", "",
         {E(0, "No legacy link directives or named LINK sections were found."), E(0, "Missing required global CONFDIR."),
          E(0, "Missing required global MSGDIR."), W(0, "KEEPPROCESSED omitted; default is yes."),
          W(0, "PROCESSEDDIR omitted; Quarro32 uses the default inbound processed subdirectory.")},
         [](auto&, auto& r) {
             for (const char* lines : {"\r\nConfiguration format: Unknown\r\nCONFDIR: <missing>\r\nWORKDIR: <missing>\r\nMSGDIR: <missing>\r\n",
                                       "\r\nKEEPPROCESSED: yes (default)\r\nPROCESSEDDIR: <default inbound\\processed>\r\nLinks found: 0\r\n"})
                 EXPECT_NE(r.find(lines), std::string::npos) << lines;
         }},
        {"a good file with two links (other line breaks: the first row)",
         cfg("; Marlinth test configuration|CONFDIR /bbs/sf|WORKDIR /bbs/quarro/work|MSGDIR /bbs/msg|INBOUND /bbs/quarro/in|"
             "SYSTEM Harbour Light BBS|KEEPPROCESSED n|PROCESSEDDIR /bbs/quarro/done|ROUTEFILE /bbs/quarro/route.cfg \t|"
             "|[LINK FidoHub]|ADDRESS 2:250/101|HUB 2:250/0|OUTDIR /bbs/quarro/out/fido|PKTPW Kx4Tm9Qa|NETMAILZONE 1-6|"
             "NETMAILZONE 7|AREA fsx_gen|AREA FSX_BBS||[link  Other Net ]|address 21:1/101.5|hub 21:1/100|"
             "outdir /bbs/quarro/out/other|netmailzone 21-24|area other_chat|   ; indented comment|#legacy|")},
        {"a derived WORKDIR of 259 characters fits, the CONFDIR's trailing separator dropped",
         cfg("CONFDIR " + c254 + "\\|") + rest, {W(0, "WORKDIR omitted; using <CONFDIR>\\WORK.")},
         [&](auto&, auto& r) { EXPECT_NE(r.find("WORKDIR: " + c254 + sep + "WORK (derived)\r\n"), std::string::npos); }},
        {"one more is refused", cfg("CONFDIR " + c254 + "c|") + rest,
         {E(0, "WORKDIR omitted and derived path is too long.")},
         [](auto& c, auto&) { EXPECT_TRUE(c.workdir.empty() && !c.workdir_set); }},
        {"link directives repeated and refused keep the earlier value",
         kGlobals + cfg("[LINK A]|ADDRESS   2:250/1   |ADDRESS 2:250|HUB 2:250/0|HUB 2:250/0.0|OUTDIR /out/a|OUTDIR|"
                        "PKTPW 123456789|PKTPW|PKTPW 12345678|PKTPW abc|NETMAILZONE 1-6|NETMAILZONE 7|NETMAILZONE 6-8|"
                        "NETMAILZONE 1 - 6|AREA fsx_gen|AREA FSX_GEN|AREA " + std::string(16, 'L') + "|AREA A:B|ADDRESS " +
                        std::string(29, '0') + "2:250/1|HUB 1:65536/0|")},
        {"zones may not overlap and an area belongs to one link",
         kGlobals + link("A", "2:250/1", "2:250/0", "1-6") + cfg("AREA fsx_gen|") + link("B", "2:250/2", "2:250/9", "3") +
             cfg("NETMAILZONE 21|NETMAILZONE 24|NETMAILZONE 21-24|AREA Fsx_Gen|AREA FSX_BBS|")},
        {"ranges that share only an end zone overlap, in either order",
         kGlobals + link("A", "2:250/1", "2:250/0", "1-6") + link("B", "2:250/2", "2:250/9", "9") +
             cfg("NETMAILZONE 6-8|") + link("C", "2:250/3", "2:250/8", "12-14") + cfg("NETMAILZONE 10-12|"),
         {E(16, kOverlap), E(22, kOverlap)}},
        {"end checks come link by link: missing fields, then clashes with later links, the last link too",
         kGlobals + cfg("[LINK A]|ADDRESS 2:250/1|OUTDIR /out/a|NETMAILZONE 1|[LINK B]|ADDRESS 2:250/1.0|HUB 2:250/0|"
                        "OUTDIR /OUT/A|[LINK C]|ADDRESS 2:250/3|HUB 2:250/0|OUTDIR /out/c|NETMAILZONE 2|"
                        "[LINK D]|ADDRESS 2:250/3|HUB 2:250/9|OUTDIR /out/c/|NETMAILZONE 3|")},
        {"zone and area tables stop at their limits and parsing goes on",
         kGlobals + cfg("[LINK A]|ADDRESS 2:250/1|HUB 2:250/0|OUTDIR /out/a|") +
             repeat(32, [](auto& z) { return cfg("NETMAILZONE " + z + "0|"); }) +  // lines 10-41
             cfg("NETMAILZONE 10|NETMAILZONE 5|") +  // the 33rd (overlapping too) and the 34th
             repeat(256, [](auto& a) { return cfg("AREA TAG" + a + "|"); }) +  // lines 44-299
             cfg("AREA tag1|AREA BAD TAG|SYSTEM late|"),  // the limit comes before the duplicate check
         {E(42, "More than 32 NETMAILZONE ranges were configured for this link."),
          E(43, "More than 32 NETMAILZONE ranges were configured for this link."),
          E(300, "More than 256 AREA directives were configured for this link."), E(301, kBadTag),
          E(302, "Global directive appears after the first LINK section.")}},
    };
    CfgParse p;
    ChangedCases reports;
    ASSERT_TRUE(p.run(kGlobals + kLinkA));
    reports.add("a clean file", plain_lines(p.report->str()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool parsed = p.run(c.text);
        EXPECT_EQ(parsed, p.config.errors == 0);
        const Lines diagnostics = p.diagnostics();
        if (c.diagnostics.empty()) reports.add(c.what, plain_lines(p.report->str()));
        else EXPECT_EQ(diagnostics, c.diagnostics);
        EXPECT_EQ(std::count_if(diagnostics.begin(), diagnostics.end(), [](auto& d) { return d[0] == 'E'; }),
                  p.config.errors);
        if (c.check) c.check(p.config, p.report->str());
    }
    EXPECT_EQ(reports.all, golden("tosser_diagnostics.expected", reports.all, {{"PATH", p.path}}));
}

TEST(TosserParser, SizeCap) {
    CfgParse p;
    // Exactly 1 MiB, its only link at the very end.
    const std::string exact = kGlobals + std::string(1048576 - kGlobals.size() - kLinkA.size(), '\n') + kLinkA;
    EXPECT_TRUE(p.run(exact));
    EXPECT_FALSE(p.run(exact + "x"));  // and the earlier result does not survive
    const std::string report = p.report->str();
    EXPECT_EQ(report.substr(report.find("operation.")),
              "operation.\r\n\r\nFile too large for safe in-memory inspection: " + p.path + "\r\n");
    EXPECT_TRUE(p.config.errors == 0 && p.config.comment_lines == 0 && p.config.link_count() == 0 && !p.config.confdir_set);
}

TEST(TosserSyntax, AddressesZonesAndAreaTags) {
    const std::pair<const char*, std::array<uint16_t, 4>> good[] = {
        {"2:250/1", {2, 250, 1, 0}}, {"1:0/0.0", {1, 0, 0, 0}}, {"65535:65535/65535.65535", {65535, 65535, 65535, 65535}},
        {"00000000000000000021:0250/2.3", {21, 250, 2, 3}}};
    for (const auto& [text, parts] : good) {
        FtnAddress a;
        ASSERT_TRUE(parse_ftn_address(text, a) && a.valid) << text;
        EXPECT_EQ((std::array<uint16_t, 4>{a.zone, a.net, a.node, a.point}), parts) << text;
    }
    for (const char* bad : {"", "0:250/1", "2:250", "2:250/", "2:250/1.", "2: 250/1", "2:250/1 ", " 2:250/1", "2:65536/1",
                            "65536:1/1", "2:250/65536", "2:250/1.65536", "99999999999999999999:1/1", "2:250/1@fidonet",
                            ":250/1", "2:/1", "2:250//1", "2:250/1.2.3", "2-250/1", "2:250.1", "a:250/1", "+2:250/1"}) {
        FtnAddress a;
        a.zone = 77;
        EXPECT_FALSE(parse_ftn_address(bad, a)) << bad;
        EXPECT_TRUE(a.zone == 77 && !a.valid) << "output touched by " << bad;
    }
    NetmailZoneRange r;
    for (const char* bad : {"", "0", "6-1", "1-", "-1", "1- 6", "0-5", "1-0", "65536", "1-65536", "1,2", "1-2-3", "1-6 "})
        EXPECT_FALSE(parse_zone_range(bad, r)) << bad;
    for (const std::string tag : {"A", "TTTTTTTTTTTTTTT", "\x80\xC4\xFF", "Z-2.B/C"})
        EXPECT_TRUE(is_valid_area_tag(tag)) << tag;
    for (const std::string& bad : {""s, "TTTTTTTTTTTTTTTT"s, "A:B"s, "A B"s, "A\tB"s, "A\x7F"s, "\x01" "A"s, "A\0B"s})
        EXPECT_FALSE(is_valid_area_tag(bad)) << bad;
}

// The writer preflight's view of the file: the three directories, or nothing and the reason.
TEST(TosserResolve, PathsOnSuccessNothingOnFailureAndOutOfMemory) {
    CfgParse p;
    p.write(cfg("CONFDIR /bbs/sf|MSGDIR /bbs/msg|ADDRESS 2:250/1|HUB 2:250/0|OUTDIR /o|"));
    std::string confdir = "x", msgdir = "x", workdir = "x";
    ASSERT_TRUE(resolve_tosser_paths(*p.platform, p.path, &confdir, 260, &msgdir, 260, &workdir, 260, p.report.get()));
    EXPECT_EQ(confdir + " " + msgdir + " " + workdir, "/bbs/sf /bbs/msg /bbs/sf" + std::string(1, kPathSeparator) + "WORK");

    FaultPlatform faulty(*p.platform);
    auto oom = TextBuffer::create();
    oom->append("before\r\n");
    faulty.fail_nth(Op::Allocate, 1);  // the temporary model
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path, nullptr, 0, nullptr, 0, &workdir, 260, oom.get()));
    EXPECT_EQ(oom->str(), "before\r\nOut of memory while reading QUARRO32.CFG.\r\n");
    faulty.fail_nth(Op::Allocate, 1);
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path, nullptr, 0, nullptr, 0, &workdir, 260, nullptr));
    faulty.fail_nth(Op::Allocate, 2);  // the file image
    EXPECT_FALSE(resolve_tosser_paths(faulty, p.path, nullptr, 0, nullptr, 0, &workdir, 260, oom.get()));
    EXPECT_NE(oom->str().find("operation.\r\n\r\nOut of memory.\r\n"), std::string::npos);

    p.write(cfg("CONFDIR /sf|MSGDIR /m|WORKDIR /w|ADDRESS 2:250|"));
    EXPECT_FALSE(resolve_tosser_paths(*p.platform, p.path, &confdir, 260, &msgdir, 260, &workdir, 260, p.report.get()));
    EXPECT_EQ(confdir + " " + msgdir + " " + workdir, "/bbs/sf /bbs/msg /bbs/sf" + std::string(1, kPathSeparator) + "WORK");
}

// Packet passwords are only ever noted as set: no byte of one stays in the report (which shows
// every text of the model) or a heap block given back, whether the file is good, broken or a
// legacy single link; and the tosser's file is only read.
TEST(TosserParser, PasswordsAreForgottenAndTheFileIsOnlyRead) {
    std::unique_ptr<Platform> native = make_native_platform();
    FaultPlatform watching(*native);
    const Lines secrets = {"Yt5Ua", "Qz7Hx2Wv", "Mk4Rp9Tn", "Ws3Ke8Zo", "Lj8Bc3Fd9", "Np2Vd6Gc"};
    auto found_in = [&](std::string_view bytes) {
        Lines found;
        for (const std::string& s : secrets)
            if (to_upper_ascii(bytes).find(to_upper_ascii(s)) != std::string::npos) found.push_back(s);
        return found;
    };
    // Every heap block the parser gives back is searched.
    Lines leaks;
    int scanned = 0;
    watching.on_release([&](std::string_view block) {
        ++scanned;
        for (const std::string& s : found_in(block)) leaks.push_back(s);
    });
    CfgParse p;
    for (const std::string& text :
         {kGlobals + kLinkA + cfg("PKTPW Yt5Ua|pktpw\tQz7Hx2Wv  |") + link("B", "2:250/2", "2:250/9", "2") + cfg("PKTPW Mk4Rp9Tn|"),
          cfg("CONFDIR /sf|MSGDIR /m|ADDRESS 2:250|HUB 2:250/0|OUTDIR /o|PKTPW Ws3Ke8Zo|PKTPW Lj8Bc3Fd9|"),
          cfg("CONFDIR /sf|MSGDIR /m|ADDRESS 2:250/1|HUB 2:250/0|OUTDIR /o|PKTPW Np2Vd6Gc|")}) {
        p.write(text);
        ASSERT_FALSE(found_in(text).empty());
        parse_tosser_config(watching, p.path, p.config, p.report.get(), nullptr);
        EXPECT_TRUE(p.config.link_count() == 0 || p.config.links[0].pktpw_set);
        resolve_tosser_paths(watching, p.path, nullptr, 0, nullptr, 0, nullptr, 0, p.report.get());
        EXPECT_EQ(found_in(p.report->str()), Lines{});  // the report shows every text of the model
    }
    EXPECT_GT(scanned, 3);
    EXPECT_EQ(leaks, Lines{});
    // The tosser's file is only read: no change, and no open other than a shared read.
    EXPECT_EQ(watching.mutating_calls() + watching.calls(Op::OpenExclusive), 0);
}

// The settings and plan status lines no walk here changes are left out of the transcript; any
// other text on those lines still shows.
std::string without_idle_status(std::string text) {
    const std::string idle = "\nsettings: Run inspection, load an .NA file, and review proposed names before generating a plan.\nplan: \n";
    for (size_t at; (at = text.find(idle)) != std::string::npos;) text.erase(at + 1, idle.size() - 1);
    return text;
}

TEST(TosserScript, SysopTakesTheTosserPathsIntoSetup) {
    auto native = make_native_platform();
    FaultPlatform platform(*native);
    platform.set_time(LocalTime{2026, 3, 14, 9, 26, 53});
    platform.set_processes({});
    TempDir home;
    const std::string cfg = home / "QUARRO32.CFG", broken = home / "BROKEN.CFG", h = home.path();
    FixtureBuilder fb(*native);
    fb.write_text(cfg, "; Harbour Light BBS\r\nCONFDIR " + h + "/SF\r\nMSGDIR " + h + "/MESSAGE\r\nWORKDIR " + h +
                       "/Q/WORK\r\nKEEPPROCESSED Y\r\n[LINK FidoHub]\r\nADDRESS 2:250/101\r\nHUB 2:250/0\r\nOUTDIR " +
                       h + "/Q/OUT\r\nPKTPW Kx4Tm9Qa\r\nNETMAILZONE 1-6\r\nNETMAILZONE 7\r\nAREA FSX_GEN\r\n"
                       "[LINK OtherNet]\r\nADDRESS 21:1/101\r\nHUB 21:1/100\r\nOUTDIR " + h +
                       "/Q/OUT2\r\nNETMAILZONE 21-24\r\nAREA OTHER_CHAT\r\n");
    fb.write_text(broken, "CONFDIR /elsewhere/SF\r\nMSGDIR /elsewhere/MESSAGE\r\nWORKDIR /elsewhere/WORK\r\n"
                          "ADDRESS 2:250/1@fidonet\r\nHUB 2:250/0\r\nOUTDIR /elsewhere/OUT\r\nROUTE everything\r\n");
    const ScriptVars vars{{"HOME", h}, {"CFG", cfg}, {"BROKEN", broken}};
    const ScriptResult result = run_script_parts(platform, h, load_script("tosser.script"), vars, {}, [&](App& app, int) {
        CfgParse p;
        parse_tosser_config(*native, broken, p.config, p.report.get(), nullptr);
        EXPECT_EQ(app.view.text(ControlId::ReportText), p.report->str());
    });
    ASSERT_TRUE(result.ok) << result.output;
    const std::string shown = without_idle_status(result.output);
    EXPECT_EQ(shown, golden("tosser.expected", shown, vars));
}

}  // namespace
}  // namespace marlinth::test
