// The .NA area-list reader: every layout's verdicts, detection and caps; then the network
// profiles it reads by, as the profile INI file changes or adds to the built-ins.
#include "import/area_list.h"

#include <gtest/gtest.h>

#include "core/strings.h"
#include "import/area_list_doubts.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/na_fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using test::na_text;
using Lines = std::vector<std::string>;

constexpr int kAmiganet = 1, kAnothernet = 2, kFsxnet = 6, kZeronet = 13, kGenericDelimiter = 14,
              kGenericWhitespace = 15;
const std::string kUnparsed = "ERROR: line does not match profile";
const std::string kByName = "Automatic: filename matched known network profile";
const std::string kByTag = "Automatic: echo-tag pattern matched known profile";
const std::string kPadded = "Automatic: generic padded/whitespace layout";
const std::string kDashed = "Automatic: generic TAG - description layout";

Lines numbered(int count, const std::string& prefix, const std::string& tail, Lines before = {}) {
    for (int i = 0; i < count; ++i) before.push_back(prefix + std::to_string(i) + tail);
    return before;
}

class AreaListTest : public ::testing::Test {
protected:
    void SetUp() override {
        use_profiles("");
        baseline = test::decoded_conferences(test::echo_conferences(12));
    }
    // The built-in profiles as changed by this profile INI text; how many there are.
    size_t use_profiles(const std::string& ini, size_t capacity = kProfileCapacity) {
        test::FixtureBuilder(*native).write_text(dir / "profiles.ini", ini);
        return load_network_profiles(*native, dir / "profiles.ini", profiles, capacity);
    }
    std::string keys() {
        std::string out;
        for (const NetworkProfile& p : profiles.profiles) out += p.key + (p.generic ? "* " : " ");
        return out;
    }
    bool parse(const std::string& name, const std::string& text, int profile = -1, const std::string& network = "") {
        path = dir / name;
        test::FixtureBuilder(*native).write_text(path, text);
        report->reset();
        errors->reset();
        return parse_area_list(*native, path, baseline, profiles, profile, network, preview, *report, errors.get());
    }
    // profile|parser|source/comment/blank lines|ready/review/blocked|detection
    std::string head() {
        const AreaPreview& p = preview;
        return p.profile_key + "|" + p.parser_name + "|" + dec(p.source_lines) + "/" + dec(p.comment_lines) + "/" +
               dec(p.blank_lines) + "|" + dec(p.ready_count) + "/" + dec(p.review_count) + "/" + dec(p.blocked_count) +
               "|" + p.detection;
    }
    // line|conference|tag|imported description|proposed name|status|flags: unparsed, exists, duplicate,
    // too long, shortened, no description, needs review, blocked.
    Lines rows() {
        Lines out;
        for (const ImportedArea& a : preview.areas) {
            const bool set[] = {a.unparsed,       a.tag_exists,     a.duplicate_tag, a.tag_too_long,
                                a.name_shortened, a.no_description, a.needs_review,  a.blocked};
            std::string flags;
            for (int i = 0; i < 8; ++i)
                if (set[i]) flags += "uxdlsnrb"[i];
            out.push_back(dec(a.line_number) + "|" + (a.conference_number ? dec(a.conference_number) : "--") + "|" +
                          a.echo_tag + "|" + a.imported_description + "|" + a.proposed_name + "|" + a.status_text +
                          "|" + flags);
        }
        return out;
    }

    test::TempDir dir;
    std::unique_ptr<Platform> native = make_native_platform();
    ProfileTable profiles;
    std::vector<ConferenceView> baseline;
    AreaPreview preview;
    std::unique_ptr<TextBuffer> report = TextBuffer::create(), errors = TextBuffer::create();
    std::string path;
};

std::string pad38(const std::string& s) { return s + std::string(38 - s.size(), ' '); }

// Each source line beside the row it makes ("" for comments and blanks); the lines are joined
// with CR LF. One row for each rule of a layout, with both sides of every limit.
TEST_F(AreaListTest, VerdictsOfEveryLayoutAndLine) {
    const std::string a32(32, 'a'), b32(32, 'b'), t15(15, 'T'), u16(16, 'U'), v127(127, 'V'), e1013(1013, 'e');
    const std::string fsx = "fsxnet|Whitespace/padded|", ann = "anothernet|Tag - description|";
    const std::string ready = "|READY|", nodesc = "|REVIEW: no source description|nr";
    const std::string shortened = "|SHORTENED - review name|sr", unparsed = "|||" + kUnparsed + "|ub";
    const std::string exists = "|ERROR: echo tag already exists|", dup = "|ERROR: duplicate tag in file|";
    const struct {
        const char* what;
        const char* file;
        int profile;  // -1: detect
        const char* ini;
        std::string head;
        std::vector<std::pair<std::string, std::string>> lines;
    } cases[] = {
        {"whitespace layout", "fsxnet.na", -1, "", fsx + "15/0/0|6/2/7|" + kByName,
         {{"FSX_GEN         General chat", "1|13|FSX_GEN|General chat|fsxNet: General chat" + ready},
          {"FSX_ALONE", "2|--|FSX_ALONE" + unparsed},
          {"fsx_alone later", "3|14|fsx_alone|later|fsxNet: later" + ready},  // an unparsed line is no duplicate
          {"FSX_BLANKS \t ", "4|15|FSX_BLANKS||fsxNet: FSX_BLANKS" + nodesc},
          {"FSX_A " + a32, "5|16|FSX_A|" + a32 + "|fsxNet: " + a32 + ready},  // exactly 40 is not shortened
          {"FSX_B " + b32 + "b", "6|17|FSX_B|" + b32 + "b|fsxNet: " + b32 + shortened},
          {t15 + " fifteen", "7|18|" + t15 + "|fifteen|fsxNet: fifteen" + ready},
          {u16 + " sixteen", "8|--|" + u16 + "|sixteen|fsxNet: sixteen|ERROR: tag exceeds 15 chars|lb"},
          {u16 + " again", "9|--|" + u16 + "|again|fsxNet: again" + dup + "dlb"},
          {v127 + "VVV far too long", "10|--|" + v127 + unparsed},
          // Only A-Z fold: tags that differ in an 8-bit letter are no duplicates.
          {"FSX_\xC4RGER \x84rger", "11|19|FSX_\xC4RGER|\x84rger|fsxNet: \x84rger" + ready},
          {"fsx_\xE4rger other", "12|20|fsx_\xE4rger|other|fsxNet: other" + ready},
          {"ECHO7 existing", "13|--|ECHO7|existing|fsxNet: existing" + exists + "xb"},
          {"echo7 existing twice", "14|--|echo7|existing twice|fsxNet: existing twice" + exists + "xdb"},
          {"fsx_gen again", "15|--|fsx_gen|again|fsxNet: again" + dup + "db"}}},
        {"delimiter layout", "annet.na", -1, "", ann + "5/0/0|3/1/1|" + kByName,
         {{"ANN.BAD- joined to the tag", "1|--|ANN.BAD-" + unparsed},
          {"ANN.ALT -Alternative", "2|13|ANN.ALT|Alternative|AnotherNet: Alternative" + ready},
          {"ANN.NODESC -", "3|14|ANN.NODESC||AnotherNet: ANN.NODESC" + nodesc},
          {"  ANN.TABS\t-\tTabbed  ", "4|15|ANN.TABS|Tabbed|AnotherNet: Tabbed" + ready},
          {"ANN.DASH -- double", "5|16|ANN.DASH|- double|AnotherNet: - double" + ready}}},
        {"delimiter compared byte for byte", "annet.na", -1, "[anothernet]\nDelimiter=to",
         ann + "2/0/0|1/0/1|" + kByName,
         {{"TAG_B TO second", "1|--|TAG_B" + unparsed}, {"TAG_C tofu", "2|13|TAG_C|fu|AnotherNet: fu" + ready}}},
        {"fixed column", "backbone.na", -1, "", "fidonet|Fixed column|5/0/0|2/0/3|" + kByName,
         {{pad38("SHORT"), "1|--|<unparsed>" + unparsed},
          {pad38("TAB\tTAG") + "tabbed", "2|--|<unparsed>" + unparsed},
          {pad38("") + "orphan description", "3|--|<unparsed>" + unparsed},
          {pad38("X") + "D", "4|13|X|D|FidoNet: D" + ready},
          {pad38("  PADDED  ") + "   spaced out   ", "5|14|PADDED|spaced out|FidoNet: spaced out" + ready}}},
        {"manual profile strips the network prefix once", "list.txt", kZeronet, "",
         "zeronet|Whitespace/padded|3/0/0|2/1/0|Manual profile selection",
         {{"0N-GEN   Zer0net - General talk", "1|13|0N-GEN|Zer0net - General talk|Zer0net: General talk" + ready},
          {"0N-ONLY  zer0net -", "2|14|0N-ONLY|zer0net -|Zer0net: 0N-ONLY" + nodesc},
          {"0N-TWICE Zer0net - Zer0net - twice",
           "3|15|0N-TWICE|Zer0net - Zer0net - twice|Zer0net: Zer0net - twice" + ready}}},
        {"first matching strip token wins", "fsxnet.na", -1, "[fsxnet]\nStripPrefixes= | (FSX) | (fsx) net | ",
         fsx + "1/0/0|1/0/0|" + kByName, {{"FSX_A (fsx) net topic", "1|13|FSX_A|(fsx) net topic|fsxNet: net topic" + ready}}},
        {"Auto reads as Whitespace; an invalid manual index detects", "fsxnet.na", 16, "[fsxnet]\nParser=Auto",
         "fsxnet|Auto|1/0/0|1/0/0|" + kByName, {{"FSX_A alpha", "1|13|FSX_A|alpha|fsxNet: alpha" + ready}}},
        {"comment prefixes from the profile", "fsxnet.na", -1, "[fsxnet]\nCommentPrefixes=//",
         fsx + "2/1/0|1/0/0|" + kByName, {{"; semi", "1|13|;|semi|fsxNet: semi" + ready}, {"// slashes", ""}}},
        {"no comment prefixes: the default list", "fsxnet.na", -1, "[fsxnet]\nCommentPrefixes=",
         fsx + "2/1/0|1/0/0|" + kByName, {{"; semi", ""}, {"// slashes", "2|13|//|slashes|fsxNet: slashes" + ready}}},
        {"empty file", "fsxnet.na", -1, "", fsx + "0/0/0|0/0/0|" + kByName, {}},
        // A run of line breaks ends one line, but breaks at the very start make one blank line.
        {"runs of line breaks", "fsxnet.na", -1, "", fsx + "3/0/1|2/0/0|" + kByName,
         {{"\r\n\nFSX_A alpha\n\r\n", "2|13|FSX_A|alpha|fsxNet: alpha" + ready},
          {"FSX_B beta\r", "3|14|FSX_B|beta|fsxNet: beta" + ready}}},
        // LF and CR alone end lines too; a NUL ends the text of its line.
        {"messy published list", "fsxnet.na", -1, "", fsx + "10/4/1|2/1/2|" + kByName,
         {{"###########\n##   fsxNet Echomail Areas  ##\r    ; indented comment", ""},
          {"FSX_GEN\t\tGeneral chat for fsxNet\t ",
           "4|13|FSX_GEN|General chat for fsxNet|fsxNet: General chat for fsxNet" + ready},
          {std::string("FSX_NUL         Before") + '\0' + "after\r\n" + '\0' + "FSX_HIDDEN behind a NUL",
           "5|14|FSX_NUL|Before|fsxNet: Before" + ready},
          // Over 1023 characters: the rest is skipped, not read as a line.
          {"FSX_LONG " + std::string(1100, 'd') + "\r\n; " + std::string(1500, 'c'), "7|--|<unparsed>" + unparsed},
          {"FSX_EXACT " + e1013, "9|15|FSX_EXACT|" + e1013 + "|fsxNet: " + e1013.substr(0, 32) + shortened},
          {"\x1A", "10|--|\x1A" + unparsed}}},  // a DOS end-of-file mark on its own line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        use_profiles(c.ini);
        std::string text;
        Lines expected;
        for (const auto& [line, row] : c.lines) {
            text += line + "\r\n";
            if (!row.empty()) expected.push_back(row);
        }
        ASSERT_TRUE(parse(c.file, text, c.profile));
        EXPECT_EQ(errors->str(), "");
        EXPECT_EQ(head(), c.head);
        EXPECT_EQ(rows(), expected);
        // The report holds every record, with its cleaned description only where the profile changed it.
        const std::string r = report->str();
        EXPECT_EQ(r.find('\0'), std::string::npos);
        for (const ImportedArea& a : preview.areas) {
            const std::string cleaned = a.cleaned_description == a.imported_description
                                            ? ""
                                            : "    Prefix-cleaned: " + a.cleaned_description + "\r\n";
            const size_t at = r.find("  Line " + dec(a.line_number) + ": " + a.echo_tag + " -> ");
            EXPECT_NE(r.find("    Source: " + a.imported_description + "\r\n" + cleaned + "    Raw: " + a.raw_line + "\r\n", at),
                      std::string::npos) << a.line_number;
        }
        SetUp();
    }
}

// The description column must be 2-128. The typed network name is trimmed and cut to 47; a blank
// one falls back to the profile's display name, and a display name of blanks to "FTN".
TEST_F(AreaListTest, DescriptionColumnAndNetworkName) {
    const std::string wide = "TAG" + std::string(200, ' ') + "description", column = "[fidonet]\nDescriptionColumn=";
    const struct {
        std::string ini, file, line, network, expected;  // tag|description|proposed name|network name
        const char* display = nullptr;
    } cases[] = {
        {column + "1", "backbone.na", wide, "", "<unparsed>|||FidoNet"},
        {column + "129", "backbone.na", wide, "", "<unparsed>|||FidoNet"},
        {column + "128", "backbone.na", wide, "", "TAG|description|FidoNet: description|FidoNet"},
        {column + "2", "backbone.na", "AB rest", "", "A|B rest|FidoNet: B rest|FidoNet"},
        {"", "fsxnet.na", "FSX_A alpha", "  Fsx Test Net  ", "FSX_A|alpha|Fsx Test Net: alpha|Fsx Test Net"},
        {"", "fsxnet.na", "FSX_A alpha", " \t ", "FSX_A|alpha|fsxNet: alpha|fsxNet"},
        {"", "fsxnet.na", "FSX_A alpha", std::string(50, 'N'),
         "FSX_A|alpha|" + std::string(40, 'N') + "|" + std::string(47, 'N')},
        {"", "fsxnet.na", "FSX_A alpha", "", "FSX_A|alpha|FTN: alpha|FTN", "   "},
    };
    for (const auto& c : cases) {
        use_profiles(c.ini);
        if (c.display) profiles.profiles[kFsxnet].display_name = c.display;
        ASSERT_TRUE(parse(c.file, c.line, -1, c.network));  // a last line needs no line end
        const ImportedArea& a = preview.areas.at(0);
        EXPECT_EQ(a.echo_tag + "|" + a.imported_description + "|" + a.proposed_name + "|" + preview.network_name,
                  c.expected) << c.ini << c.network;
    }
}

// Past 1024 records the rest is counted, not listed; a file of exactly 2 MiB is read. A missing
// file and one a byte over the cap are refused through the review (na_review_session).
TEST_F(AreaListTest, SizeCapsAndFailures) {
    ASSERT_TRUE(parse("fsxnet.na", test::large_na_file(1030, 200000)));
    EXPECT_EQ(preview.area_count(), 1024);
    EXPECT_EQ(preview.dropped_records, 6u);
    EXPECT_EQ(rows().back().substr(0, 23), "1025|1036|FSX_AREA1024|");

    ASSERT_TRUE(parse("fsxnet.na", test::large_na_file(1024, kMaxAreaListBytes)));
    EXPECT_EQ(preview.area_count(), 1024);
    ProfileTable empty;
    EXPECT_FALSE(parse_area_list(*native, path, baseline, empty, -1, "", preview, *report, errors.get()));
    EXPECT_EQ(errors->str(), "No usable .NA profile is available.\r\n");
    EXPECT_EQ(preview.area_count(), 0);
}

TEST_F(AreaListTest, Detection) {
    const std::string no_generics = "[generic-delimiter]\nGeneric=0\n[generic-whitespace]\nGeneric=0";
    const struct {
        const char* file;
        Lines lines;
        int expected;
        const std::string& detection;
        std::string ini;
    } cases[] = {
        {"C:\\Lists\\FsxNet.Na", {"ANN.X - y"}, kFsxnet, kByName, ""},  // the name beats the contents
        // Generic profiles take no part, even when they carry an alias.
        {"mine.na", {"TAG x"}, kGenericWhitespace, kPadded, "[generic-delimiter]\nFilenameAliases=mine.na"},
        // Tag patterns need 2 points per sample line, 3 for each prefix or suffix match.
        {"list.na", {"FSX_A alpha", "fsx_b beta", "OTHER gamma"}, kFsxnet, kByTag, ""},
        {"list.na", {"FSX_A alpha", "ONE beta", "TWO gamma"}, kGenericWhitespace, kPadded, ""},
        {"list.na", {"AMY_GAMES_amy games", "ONE x", "TWO x"}, kAmiganet, kByTag, "[amiganet]\nTagPrefixes=AMY_"},
        {"list.na", {"SAME_A x", "SAME_B y"}, kAnothernet, kByTag,  // a tie goes to the lower slot
         "[micronet]\nTagPrefixes=SAME_\n[anothernet]\nTagPrefixes=SAME_"},
        // Dash lines ("-" then a blank): 60 per 100 choose the delimiter fallback, 59 do not.
        {"list.na", numbered(25, "PAD", "  x", numbered(39, "AREA", " - dashed")), kGenericDelimiter, kDashed, ""},
        {"list.na", numbered(26, "PAD", "  x", numbered(38, "AREA", " - dashed")), kGenericWhitespace, kPadded, ""},
        {"list.na", {"A -x", "B- y", "C -"}, kGenericWhitespace, kPadded, ""},
        // Only the first 64 sample lines count; comments and blanks are no samples.
        {"list.na", numbered(300, "FSX_", " x", numbered(64, "PLAIN", " x", {"; c", "# c", "   ", ";FSX_X c"})),
         kGenericWhitespace, kPadded, ""},
        {"list.na", numbered(64, "FSX_", " tagged", Lines(100, "; comment")), kFsxnet, kByTag, ""},
        // The sample tag is cut at 63 characters before the suffix test.
        {"list.na", {std::string(62, 'x') + "_AMY y"}, kGenericWhitespace, kPadded, ""},
        {"list.na", {std::string(59, 'x') + "_AMY y"}, kAmiganet, kByTag, ""},
        // Without generic profiles slot 0 stands in, with the text of the fallback step.
        {"list.na", {"NOTHING - here"}, 0, kDashed, no_generics},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + (c.lines.empty() ? "" : c.lines[0]));
        use_profiles(c.ini);
        std::string detection;
        EXPECT_EQ(detect_profile(c.file, na_text(c.lines), profiles, detection), c.expected);
        EXPECT_EQ(detection, c.detection);
    }
}

// A file that is no area list loads by the same rules, but says so: text bytes and area lines
// are counted, each rule on both sides of its threshold.
TEST_F(AreaListTest, FilesThatAreNoAreaListsAreNamedAsSuch) {
    for (const auto& [line, area] : std::vector<std::pair<std::string, bool>>{
             {"FSX_GEN  General chat", true}, {"  ANN.GEN - General", true}, {"AMY_GEN AmigaNet: General", true},
             {"FIDONEWS", true}, {"FSX_NODESC \t", true}, {"ADDRESS 2:123/456", false}, {"INBOUND C:\\FD\\IN", false},
             {"WORKDIR D:", false}, {"NETMAILZONE 1-6", false}, {"MAXAGE 60", false}, {"Name = Value", false},
             {"Key=Value", false}, {"[LINK HUB]", false}, {"TAG\x01 x", false}, {std::string(128, 'T') + " x", false}}) {
        EXPECT_EQ(reads_as_area_line(line), area) << line;
    }

    // Half the record lines odd (after comments and blanks, which are no records): no doubt.
    const Lines real = {"; a list", "", "FSX_GEN General chat", "FSX_ART Art", "FSX_NUM 2:3/4", "[FSX] odd"};
    ASSERT_TRUE(parse("fsxnet.na", na_text(real)));
    AreaListDoubts d = judge_area_list(na_text(real), preview);
    EXPECT_EQ(dec(d.record_lines) + "/" + dec(d.not_area_lines) + "/" + dec(d.non_text_bytes), "4/2/0");
    EXPECT_EQ(area_list_doubt_text(d), "");
    Lines odd = real;
    odd.push_back("MAXMSGS 200");  // one more: 3 of 5
    ASSERT_TRUE(parse("fsxnet.na", na_text(odd)));
    d = judge_area_list(na_text(odd), preview);
    EXPECT_TRUE(d.mostly_not_areas() && !d.not_text());
    EXPECT_NE(area_list_doubt_text(d).find("3 of its 5 lines that are not comments do not read as an echo tag and its "
                                           "description, such as the lines starting FSX_NUM, [FSX] and MAXMSGS."),
              std::string::npos);

    // 1 control byte in 100 is text; 2 are not. Tabs, line breaks, form feed and ^Z are text.
    std::string bytes = std::string(95, 'x') + "\t\r\n\f\x1A";
    bytes[10] = '\0';
    EXPECT_FALSE(judge_area_list(bytes, AreaPreview()).not_text());
    bytes[20] = '\x7F';
    EXPECT_EQ(judge_area_list(bytes, AreaPreview()).non_text_bytes, 2u);
    EXPECT_TRUE(judge_area_list(bytes, AreaPreview()).not_text());
}

// The network profiles: the built-ins, changed or added to by the profile INI file.
using ProfilesTest = AreaListTest;

// key|display|parser|column|delimiter|aliases|prefixes|suffixes|comments|strip|generic
std::string dump(const NetworkProfile& p) {
    return p.key + "|" + p.display_name + "|" + dec(p.parser) + "|" + dec(p.description_column) + "|" + p.delimiter +
           "|" + p.filename_aliases + "|" + p.tag_prefixes + "|" + p.tag_suffixes + "|" + p.comment_prefixes + "|" +
           p.strip_prefixes + "|" + dec(p.generic);
}

TEST_F(ProfilesTest, BuiltinsAloneWhenTheFileIsUnusable) {
    // Slot order decides detection ties and the positions of the profile choice list.
    const std::string builtins = "agoranet amiganet anothernet cheesenet dorenet fidonet fsxnet healthnet hobbynet micronet "
                                 "transcanadanet tqwnet weednet zeronet generic-delimiter* generic-whitespace* ";
    for (const std::string& unusable : {dir / "missing.ini", std::string(), std::string(dir.path())}) {
        EXPECT_EQ(load_network_profiles(*native, unusable, profiles, kProfileCapacity), 16u);
        EXPECT_EQ(keys(), builtins) << unusable;
    }
    // Over 512 KiB the file is not read at all, even its first section; nor is a file that fails.
    EXPECT_EQ(use_profiles("[Big Net]\r\n" + std::string(524288, ';')), 16u);
    EXPECT_EQ(use_profiles("[Exact Net]\r\n;" + std::string(524288 - 14, ';')), 17u);
    test::FaultPlatform faulty(*native);
    faulty.fail_nth(test::Op::Read, 1);
    EXPECT_EQ(load_network_profiles(faulty, dir / "profiles.ini", profiles, kProfileCapacity), 16u);
}

TEST_F(ProfilesTest, SectionsChangeTheirProfileInPlaceOrAddOne) {
    use_profiles("[fsxNET]\n"
                 "displayname=F\nPARSER=fixedcolumn\nDescriptionColumn=\t 41xyz\nDelimiter=::\n"
                 "FilenameAliases=a.na|b.na\nTagPrefixes=A_\nTagSuffixes=_Z\nCommentPrefixes=//\nStripPrefixes=F:\n"
                 "Generic=Yes\n");
    EXPECT_EQ(dump(profiles.profiles[6]), "fsxnet|F|3|41|::|a.na|b.na|A_|_Z|//|F:|1");
    // Emptied fields stay empty (the parser then uses its default comments); a key without "="
    // empties its field.
    use_profiles("[fsxnet]\nCommentPrefixes=\nTagPrefixes=\nDisplayName\n");
    EXPECT_EQ(dump(profiles.profiles[6]), "fsxnet||1|0||fsxnet.na|||||0");

    std::string ini;
    for (int i = 1; i <= 17; ++i)
        ini += "[Net " + std::to_string(i) + "]\r\nDisplayName=Display " + std::to_string(i) + "\r\n";
    EXPECT_EQ(use_profiles(ini + "[fidonet]\r\nDisplayName=Changed after the table filled\r\n"), 32u);
    EXPECT_EQ(dump(profiles.profiles[31]), "Net 16|Display 16|1|0|||||##|#|;||0");
    // The 17th new section found no room: its key line changed nothing, not even the last profile.
    EXPECT_EQ(profiles.profiles[5].display_name, "Changed after the table filled");
    // With room for fewer than the built-ins, only that many are loaded and nothing is added.
    EXPECT_EQ(use_profiles("[Another]\n", 4), 4u);
    EXPECT_EQ(keys(), "agoranet amiganet anothernet cheesenet ");
}

TEST_F(ProfilesTest, MalformedLines) {
    use_profiles("DisplayName=before any header\r\n[agoranet]\r\n   ; DisplayName=commented\r\n"
                 "#DisplayName=also commented\r\n\r\n"
                 "[cheesenet\r\n"  // no "]": ignored, agoranet stays current
                 "  DisplayName  =  Agora Two  \rTagPrefixes=AGN_|AG2_\n"
                 "[]\r\nParser=Delimiter\r\n"  // a section with an empty name: a new profile with an empty key
                 "[ Padded ]\nDisplayName=x\n[a]b]\nDisplayName=y\n");
    EXPECT_EQ(dump(profiles.profiles[0]), "agoranet|Agora Two|1|0||agoranet.na|AGN_|AG2_||;|#||0");
    EXPECT_EQ(profiles.profiles[3].display_name, "CheeseNet");
    for (const NetworkProfile& p : profiles.profiles) EXPECT_NE(p.display_name, "before any header");
    ASSERT_EQ(profiles.count(), 19u);
    EXPECT_EQ(dump(profiles.profiles[16]), "||2|0|||||##|#|;||0");
    EXPECT_EQ(profiles.profiles[17].key, " Padded ");  // taken as written, up to the first "]"
    EXPECT_EQ(dump(profiles.profiles[18]), "a|y|1|0|||||##|#|;||0");
}

TEST_F(ProfilesTest, OverlongTextsAreCutToTheirFields) {
    const std::string name(60, 'N');
    std::string ini = "[" + name + "]\nDisplayName=" + std::string(60, 'D') + "\n";
    for (const char* key : {"Delimiter", "FilenameAliases", "TagPrefixes", "TagSuffixes", "CommentPrefixes", "StripPrefixes"})
        ini += std::string(key) + "=" + std::string(300, key[0]) + "\n";
    // The whole name is compared: another name with the same first 39 characters is a profile of its own.
    ini += "[" + name + "X]\nGeneric=t\n";
    // Only the first 1023 characters of a line count; the rest is skipped, not read as a line.
    ini += "[fsxnet]\nDisplayName=" + std::string(1100, 'x') + "=[cheesenet]\nTagPrefixes=Q_\n";
    EXPECT_EQ(use_profiles(ini), 18u);
    EXPECT_EQ(dump(profiles.profiles[16]), std::string(39, 'N') + "|" + std::string(47, 'D') + "|1|0|" +
                                            std::string(15, 'D') + "|" + std::string(191, 'F') + "|" +
                                            std::string(127, 'T') + "|" + std::string(127, 'T') + "|" +
                                            std::string(63, 'C') + "|" + std::string(127, 'S') + "|0");
    EXPECT_EQ(dump(profiles.profiles[17]), std::string(39, 'N') + "|" + std::string(47, 'N') + "|1|0|||||##|#|;||1");
    EXPECT_EQ(profiles.profiles[6].tag_prefixes, "Q_");
    EXPECT_EQ(profiles.profiles[3].tag_prefixes, "CHEESE_");
}

// parser|column|generic of fidonet, which starts as 3|39|0.
TEST_F(ProfilesTest, NumericAndChoiceValues) {
    for (const auto& [lines, expected] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Parser=DELIMITER", "2|39|0"}, {"Parser=auto", "0|39|0"}, {"Parser=Fixed Column", "1|39|0"},
             {"DescriptionColumn=abc", "3|0|0"}, {"DescriptionColumn=-5", "3|0|0"},
             {"DescriptionColumn=99999999999", "3|4294967295|0"}, {"Generic=1", "3|39|1"},
             {"Generic=1\nGeneric=on", "3|39|0"}, {"Generic=1\nGeneric=", "3|39|0"}}) {
        use_profiles(std::string("[fidonet]\n") + lines + "\n");
        const NetworkProfile& p = profiles.profiles[5];
        EXPECT_EQ(dec(p.parser) + "|" + dec(p.description_column) + "|" + dec(p.generic), expected) << lines;
    }
}

// Empty tokens match nothing: one would otherwise make every line a comment.
TEST(ProfileLists, PrefixListMatching) {
    EXPECT_TRUE(matches_prefix_list("  FSX_  ", "fsx_gen") && matches_prefix_list("||ICE||", "ICEBERG"));
    EXPECT_FALSE(matches_prefix_list("FSX_", "FS") || matches_prefix_list("| |\t|", "anything"));
    EXPECT_FALSE(matches_prefix_list("\xC4X", "\xE4x"));  // only A-Z fold
}

}  // namespace
}  // namespace marlinth
