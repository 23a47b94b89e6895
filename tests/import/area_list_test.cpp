#include "import/area_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/strings.h"
#include "support/fixture.h"
#include "support/na_fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

using test::na_text;

constexpr int kFidonet = 5;
constexpr int kFsxnet = 6;
constexpr int kZeronet = 13;
constexpr int kGenericDelimiter = 14;
constexpr int kGenericWhitespace = 15;

class AreaListTest : public ::testing::Test {
protected:
    void SetUp() override {
        load_network_profiles(*native, "", profiles, kProfileCapacity);
        baseline = test::decoded_conferences(test::echo_conferences(12));
    }

    bool parse(const std::string& name, const std::string& text, int profile = -1, const std::string& network = "") {
        path = dir / name;
        test::FixtureBuilder(*native).write_text(path, text);
        return parse_path(profile, network);
    }
    bool parse_path(int profile = -1, const std::string& network = "") {
        report->reset();
        errors->reset();
        return parse_area_list(*native, path, baseline, profiles, profile, network, preview, *report, errors.get());
    }
    const ImportedArea& area(size_t i) { return preview.areas.at(i); }
    std::vector<std::string> statuses() {
        std::vector<std::string> out;
        for (const ImportedArea& a : preview.areas) out.push_back(a.status_text);
        return out;
    }
    std::vector<std::string> tags() {
        std::vector<std::string> out;
        for (const ImportedArea& a : preview.areas) out.push_back(a.echo_tag);
        return out;
    }
    std::vector<uint32_t> numbers() {
        std::vector<uint32_t> out;
        for (const ImportedArea& a : preview.areas) out.push_back(a.conference_number);
        return out;
    }

    test::TempDir dir;
    std::unique_ptr<Platform> native = make_native_platform();
    ProfileTable profiles;
    std::vector<ConferenceView> baseline;
    AreaPreview preview;
    std::unique_ptr<TextBuffer> report = TextBuffer::create();
    std::unique_ptr<TextBuffer> errors = TextBuffer::create();
    std::string path;
};

// One file that carries every verdict, read through the profile its file name names.
TEST_F(AreaListTest, PreviewReportOfMixedFile) {
    const std::string text = "; fsxNet echo list\r\n"
                             "FSX_GEN         General chat\r\n"
                             "FSX_BOT\r\n"
                             "   \r\n\r\n"
                             "FSX_DAT\tfsxNet data exchange area for file echo robots\r\n"
                             "echo3           Existing conference tag\r\n"
                             "fsx_gen         Second general\r\n"
                             "FSX_TAG_TOO_LONG16  Way too long\r\n"
                             "FSX_EMPTY    \r\n";
    ASSERT_TRUE(parse("FSXNET.NA", text));
    EXPECT_EQ(errors->str(), "");
    const std::string expected = "\r\n"
                                 ".NA PROFILE PREVIEW\r\n"
                                 "-------------------\r\n"
                                 "File: " + path + "\r\n"
                                 "Profile: fsxNet [fsxnet]\r\n"
                                 "Parser: Whitespace/padded\r\n"
                                 "Detection: Automatic: filename matched known network profile\r\n"
                                 "Network display name: fsxNet\r\n"
                                 "Source lines: 9  Echo records: 7  Comments: 1  Blank: 1\r\n"
                                 "Ready: 1  Need review: 2  Errors: 4\r\n"
                                 "  Line 2: FSX_GEN -> Conf 13 \"fsxNet: General chat\" [READY]\r\n"
                                 "    Source: General chat\r\n"
                                 "    Raw: FSX_GEN         General chat\r\n"
                                 "  Line 3: FSX_BOT -> \"\" [ERROR: line does not match profile]\r\n"
                                 "    Source: \r\n"
                                 "    Raw: FSX_BOT\r\n"
                                 "  Line 5: FSX_DAT -> Conf 14 \"fsxNet: fsxNet data exchange area for fi\" "
                                 "[SHORTENED - review name]\r\n"
                                 "    Source: fsxNet data exchange area for file echo robots\r\n"
                                 "    Raw: FSX_DAT\tfsxNet data exchange area for file echo robots\r\n"
                                 "  Line 6: echo3 -> \"fsxNet: Existing conference tag\" [ERROR: echo tag already exists]\r\n"
                                 "    Source: Existing conference tag\r\n"
                                 "    Raw: echo3           Existing conference tag\r\n"
                                 "  Line 7: fsx_gen -> \"fsxNet: Second general\" [ERROR: duplicate tag in file]\r\n"
                                 "    Source: Second general\r\n"
                                 "    Raw: fsx_gen         Second general\r\n"
                                 "  Line 8: FSX_TAG_TOO_LONG16 -> \"fsxNet: Way too long\" [ERROR: tag exceeds 15 chars]\r\n"
                                 "    Source: Way too long\r\n"
                                 "    Raw: FSX_TAG_TOO_LONG16  Way too long\r\n"
                                 "  Line 9: FSX_EMPTY -> Conf 15 \"fsxNet: FSX_EMPTY\" [REVIEW: no source description]\r\n"
                                 "    Source: \r\n"
                                 "    Raw: FSX_EMPTY    \r\n";
    EXPECT_EQ(report->str(), expected);

    EXPECT_EQ(preview.profile_index, kFsxnet);
    EXPECT_EQ(preview.dropped_records, 0u);
    const ImportedArea& shortened = area(2);
    EXPECT_TRUE(shortened.name_shortened);
    EXPECT_TRUE(shortened.needs_review);
    EXPECT_EQ(shortened.parse_mode, "Whitespace/padded");
    EXPECT_TRUE(area(1).unparsed && area(1).blocked);
    EXPECT_TRUE(area(3).tag_exists);
    EXPECT_TRUE(area(4).duplicate_tag);
    EXPECT_FALSE(area(0).duplicate_tag);  // only the later occurrence is marked
    EXPECT_TRUE(area(5).tag_too_long);
    EXPECT_TRUE(area(6).no_description && area(6).needs_review);
}

TEST_F(AreaListTest, ManualProfileStripsTheNetworkPrefixFromDescriptions) {
    const std::string text = na_text({"0N-GEN   Zer0net - General talk", "0N-ONLY  zer0net -",
                                      "0N-TWICE Zer0net - Zer0net - twice", "0N-KEEP  Zer0net rules"});
    ASSERT_TRUE(parse("list.txt", text, kZeronet));
    EXPECT_EQ(preview.detection, "Manual profile selection");
    EXPECT_EQ(area(0).imported_description, "Zer0net - General talk");
    EXPECT_EQ(area(0).cleaned_description, "General talk");
    EXPECT_EQ(area(0).proposed_name, "Zer0net: General talk");
    EXPECT_EQ(area(0).status_text, "READY");
    EXPECT_EQ(area(1).cleaned_description, "");
    EXPECT_EQ(area(1).proposed_name, "Zer0net: 0N-ONLY");
    EXPECT_EQ(area(1).status_text, "REVIEW: no source description");
    EXPECT_EQ(area(2).cleaned_description, "Zer0net - twice");  // removed once only
    EXPECT_EQ(area(3).cleaned_description, "Zer0net rules");
    const std::string r = report->str();
    EXPECT_NE(r.find("    Source: Zer0net - General talk\r\n    Prefix-cleaned: General talk\r\n    Raw: 0N-GEN "),
              std::string::npos);
    EXPECT_NE(r.find("    Source: zer0net -\r\n    Prefix-cleaned: \r\n"), std::string::npos);
    EXPECT_EQ(r.find("    Source: Zer0net rules\r\n    Prefix-cleaned"), std::string::npos);
}

TEST_F(AreaListTest, FirstMatchingStripTokenWins) {
    profiles.profiles[kFsxnet].strip_prefixes = " | (FSX) | (fsx) net | ";
    ASSERT_TRUE(parse("fsxnet.na", na_text({"FSX_A (fsx) net topic", "FSX_B (FSX)(FSX) double"})));
    EXPECT_EQ(area(0).cleaned_description, "net topic");
    EXPECT_EQ(area(1).cleaned_description, "(FSX) double");
}

TEST_F(AreaListTest, DelimiterLayout) {
    const std::string text = na_text({"ANN.GEN - General", "ANN.BAD- joined to the tag", "ANN.ALT -Alternative",
                                      "ANN.NODESC -", "ANN.NONE", "  ANN.TABS\t-\tTabbed  ", "ANN.DASH -- double"});
    ASSERT_TRUE(parse("annet.na", text));
    EXPECT_EQ(preview.parser_name, "Tag - description");
    EXPECT_EQ(tags(), (std::vector<std::string>{"ANN.GEN", "ANN.BAD-", "ANN.ALT", "ANN.NODESC", "ANN.NONE", "ANN.TABS",
                                                 "ANN.DASH"}));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"READY", "ERROR: line does not match profile", "READY",
                                                     "REVIEW: no source description", "ERROR: line does not match profile",
                                                     "READY", "READY"}));
    EXPECT_EQ(area(2).imported_description, "Alternative");
    EXPECT_EQ(area(5).imported_description, "Tabbed");
    EXPECT_EQ(area(6).imported_description, "- double");
    EXPECT_EQ(area(1).imported_description, "");
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{13, 0, 14, 15, 0, 16, 17}));
}

TEST_F(AreaListTest, DelimiterIsComparedByteForByte) {
    profiles.profiles[2].delimiter = "to";
    ASSERT_TRUE(parse("annet.na", na_text({"TAG_A to first", "TAG_B TO second", "TAG_C tofu"})));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"READY", "ERROR: line does not match profile", "READY"}));
    EXPECT_EQ(area(2).imported_description, "fu");
}

TEST_F(AreaListTest, FixedColumnLayout) {
    auto pad = [](std::string s, size_t width) { return s + std::string(width > s.size() ? width - s.size() : 0, ' '); };
    const std::string text = na_text({
        pad("FIDO_GEN", 38) + "Fido general",
        pad("SHORT", 38),                      // 38 characters: no description column
        pad("TAB\tTAG", 38) + "tabbed",        // a tab inside the tag columns
        std::string(38, ' ') + "orphan description",
        pad("X", 38) + "D",                    // exactly 39 characters
        pad("  PADDED  ", 38) + "   spaced out   ",
        pad("RUNS_INTO_THE_DESCRIPTION_COLUMN_NOW", 38) + "HERE rest",
    });
    ASSERT_TRUE(parse("backbone.na", text));
    EXPECT_EQ(preview.profile_index, kFidonet);
    EXPECT_EQ(preview.parser_name, "Fixed column");
    EXPECT_EQ(tags(), (std::vector<std::string>{"FIDO_GEN", "<unparsed>", "<unparsed>", "<unparsed>", "X", "PADDED",
                                                 "RUNS_INTO_THE_DESCRIPTION_COLUMN_NOW"}));
    EXPECT_EQ(area(0).imported_description, "Fido general");
    EXPECT_EQ(area(4).imported_description, "D");
    EXPECT_EQ(area(5).imported_description, "spaced out");
    EXPECT_EQ(area(6).imported_description, "HERE rest");
    EXPECT_EQ(area(6).status_text, "ERROR: tag exceeds 15 chars");
    for (size_t i : {1u, 2u, 3u}) EXPECT_EQ(area(i).status_text, "ERROR: line does not match profile") << i;
}

TEST_F(AreaListTest, FixedColumnOutsideItsRangeIsUnparsed) {
    const std::string line = "TAG" + std::string(200, ' ') + "description";
    for (uint32_t column : {0u, 1u, 129u, 500u}) {
        profiles.profiles[kFidonet].description_column = column;
        ASSERT_TRUE(parse("backbone.na", line + "\r\n"));
        EXPECT_EQ(area(0).echo_tag, "<unparsed>") << column;
    }
    profiles.profiles[kFidonet].description_column = 128;
    ASSERT_TRUE(parse("backbone.na", line + "\r\n"));
    EXPECT_EQ(area(0).echo_tag, "TAG");
    profiles.profiles[kFidonet].description_column = 2;
    ASSERT_TRUE(parse("backbone.na", "AB rest\r\n"));
    EXPECT_EQ(area(0).echo_tag, "A");
    EXPECT_EQ(area(0).imported_description, "B rest");
}

TEST_F(AreaListTest, WhitespaceLayoutTagAloneVersusTagAndBlanks) {
    ASSERT_TRUE(parse("fsxnet.na", "FSX_ALONE\r\nFSX_BLANKS \t \r\n"));
    EXPECT_EQ(area(0).status_text, "ERROR: line does not match profile");
    EXPECT_EQ(area(0).echo_tag, "FSX_ALONE");
    EXPECT_EQ(area(1).status_text, "REVIEW: no source description");
    EXPECT_EQ(area(1).proposed_name, "fsxNet: FSX_BLANKS");
    // Auto reads lines exactly as Whitespace does.
    profiles.profiles[kFsxnet].parser = static_cast<uint32_t>(ParserLayout::Auto);
    ASSERT_TRUE(parse("fsxnet.na", "FSX_ALONE\r\nFSX_BLANKS \t \r\n"));
    EXPECT_EQ(preview.parser_name, "Auto");
    EXPECT_EQ(area(0).status_text, "ERROR: line does not match profile");
    EXPECT_EQ(area(1).status_text, "REVIEW: no source description");
}

TEST_F(AreaListTest, TagLengthLimits) {
    const std::string t15(15, 'T'), t16(16, 'U'), t130(130, 'V');
    ASSERT_TRUE(parse("fsxnet.na", na_text({t15 + " fifteen", t16 + " sixteen", t130 + " far too long"})));
    EXPECT_EQ(area(0).status_text, "READY");
    EXPECT_EQ(area(1).status_text, "ERROR: tag exceeds 15 chars");
    EXPECT_EQ(area(1).conference_number, 0u);
    EXPECT_TRUE(area(2).unparsed);
    EXPECT_EQ(area(2).echo_tag, std::string(127, 'V'));
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{13, 0, 0}));
}

TEST_F(AreaListTest, DuplicatesAndExistingTags) {
    const std::string text = na_text({
        "FSX_ONE",                    // unparsed: its tag is no duplicate source
        "fsx_one  first parsed one",  // not a duplicate of the unparsed line
        "FSX_SIXTEEN_CHRS too long",  // blocked, still counts as an earlier record
        "FSX_SIXTEEN_CHRS again",     // duplicate and too long: the duplicate text wins
        "ECHO7 existing",             // an existing Net ID
        "echo7 existing twice",       // existing and duplicate: the existing text wins
        "FSX_ONE  third",             // duplicate of line 2
    });
    ASSERT_TRUE(parse("fsxnet.na", text));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"ERROR: line does not match profile", "READY",
                                                     "ERROR: tag exceeds 15 chars", "ERROR: duplicate tag in file",
                                                     "ERROR: echo tag already exists", "ERROR: echo tag already exists",
                                                     "ERROR: duplicate tag in file"}));
    EXPECT_TRUE(area(3).duplicate_tag && area(3).tag_too_long);
    EXPECT_TRUE(area(5).tag_exists && area(5).duplicate_tag);
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{0, 13, 0, 0, 0, 0, 0}));
}

TEST_F(AreaListTest, EmptyNetIdsInTheBaselineMatchNothing) {
    std::vector<test::ConferenceSpec> specs = test::echo_conferences(2);
    specs[1].net_id = "";
    baseline = test::decoded_conferences(specs);
    ASSERT_TRUE(parse("fsxnet.na", "ECHO1 taken\r\nECHO2 free\r\n"));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"ERROR: echo tag already exists", "READY"}));
    EXPECT_EQ(area(1).conference_number, 3u);
}

TEST_F(AreaListTest, ProvisionalNumbersFollowTheExistingConferences) {
    // READY, BLOCKED, REVIEW, READY after 12 conferences.
    ASSERT_TRUE(parse("fsxnet.na", na_text({"FSX_A alpha", "ECHO12 taken", "FSX_B " + std::string(40, 'b'), "FSX_C gamma"})));
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{13, 0, 14, 15}));
    EXPECT_EQ(preview.ready_count, 2u);
    EXPECT_EQ(preview.review_count, 1u);
    EXPECT_EQ(preview.blocked_count, 1u);
    // With the network name fsxNet a 40-character description makes a 48-character name.
    EXPECT_EQ(area(2).proposed_name, "fsxNet: " + std::string(32, 'b'));
    EXPECT_EQ(area(2).status_text, "SHORTENED - review name");

    baseline.clear();
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(numbers(), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(area(1).status_text, "READY");
}

TEST_F(AreaListTest, NameOfExactlyFortyCharactersIsNotShortened) {
    ASSERT_TRUE(parse("fsxnet.na", na_text({"FSX_A " + std::string(32, 'a'), "FSX_B " + std::string(33, 'b')})));
    EXPECT_EQ(area(0).proposed_name.size(), 40u);
    EXPECT_FALSE(area(0).name_shortened);
    EXPECT_EQ(area(0).status_text, "READY");
    EXPECT_TRUE(area(1).name_shortened);
}

TEST_F(AreaListTest, NetworkNameRules) {
    const std::string text = na_text({"FSX_A alpha"});
    ASSERT_TRUE(parse("fsxnet.na", text, -1, "  Fsx Test Net  "));
    EXPECT_EQ(preview.network_name, "Fsx Test Net");
    EXPECT_EQ(area(0).proposed_name, "Fsx Test Net: alpha");
    ASSERT_TRUE(parse_path(-1, " \t "));
    EXPECT_EQ(preview.network_name, "fsxNet");
    ASSERT_TRUE(parse_path(-1, std::string(50, 'N')));
    EXPECT_EQ(preview.network_name, std::string(47, 'N'));
    profiles.profiles[kFsxnet].display_name = "";
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.network_name, "FTN");
    EXPECT_EQ(area(0).proposed_name, "FTN: alpha");
    profiles.profiles[kFsxnet].display_name = "   ";
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.network_name, "FTN");
}

TEST_F(AreaListTest, LineEndsOfEveryKindReadTheSame) {
    const std::vector<std::string> lines = {"; header", "FSX_A alpha", "FSX_B", "FSX_C gamma"};
    std::vector<std::string> expected;
    for (const char* eol : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n\n"}) {
        ASSERT_TRUE(parse("fsxnet.na", na_text(lines, eol)));
        EXPECT_EQ(preview.source_lines, 4u) << "eol " << static_cast<int>(eol[0]);
        EXPECT_EQ(preview.comment_lines, 1u);
        std::vector<std::string> got;
        for (const ImportedArea& a : preview.areas) got.push_back(dec(a.line_number) + " " + a.raw_line + " " + a.status_text);
        if (expected.empty()) expected = got;
        EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(expected, (std::vector<std::string>{"2 FSX_A alpha READY", "3 FSX_B ERROR: line does not match profile",
                                                  "4 FSX_C gamma READY"}));
    // The last line needs no line end.
    ASSERT_TRUE(parse("fsxnet.na", na_text(lines, "\r\n", false)));
    EXPECT_EQ(preview.area_count(), 3);
}

TEST_F(AreaListTest, EmptyLinesDoNotAdvanceLineNumbers) {
    ASSERT_TRUE(parse("fsxnet.na", "FSX_A alpha\r\n\r\nFSX_B beta"));
    EXPECT_EQ(preview.source_lines, 2u);
    EXPECT_EQ(area(1).line_number, 2u);
    EXPECT_EQ(preview.blank_lines, 0u);
    // A file that begins with line breaks yields one empty first line.
    ASSERT_TRUE(parse("fsxnet.na", "\r\n\r\nFSX_A alpha\r\n"));
    EXPECT_EQ(preview.blank_lines, 1u);
    EXPECT_EQ(area(0).line_number, 2u);
    EXPECT_EQ(preview.source_lines, 2u);
}

TEST_F(AreaListTest, OverlongLines) {
    const std::string long_record = "FSX_LONG " + std::string(1100, 'd');
    const std::string long_comment = "; " + std::string(1500, 'c');
    const std::string exact = "FSX_EXACT " + std::string(1013, 'e');  // 1023 characters
    ASSERT_TRUE(parse("fsxnet.na", na_text({long_record, long_comment, exact, "FSX_NEXT after"})));
    EXPECT_EQ(preview.source_lines, 4u);
    EXPECT_EQ(preview.comment_lines, 1u);
    ASSERT_EQ(preview.area_count(), 3);
    EXPECT_EQ(area(0).echo_tag, "<unparsed>");
    EXPECT_EQ(area(0).status_text, "ERROR: line does not match profile");
    EXPECT_EQ(area(0).raw_line, long_record.substr(0, 1023));
    EXPECT_EQ(area(1).echo_tag, "FSX_EXACT");
    EXPECT_EQ(area(1).status_text, "SHORTENED - review name");
    EXPECT_EQ(area(2).line_number, 4u);  // the rest of a long line is skipped, not read as a line
    EXPECT_EQ(area(2).raw_line, "FSX_NEXT after");
}

TEST_F(AreaListTest, NulBytesEndTheTextOfTheirLine) {
    std::string text = "FSX_A Desc";
    text += '\0';
    text += "ription\r\n";
    text += '\0';
    text += "FSX_B hidden\r\nFSX_C";
    text += '\0';
    text += " after nul\r\n";
    ASSERT_TRUE(parse("fsxnet.na", text));
    EXPECT_EQ(preview.source_lines, 3u);
    EXPECT_EQ(preview.blank_lines, 1u);  // a line whose text ends at once
    ASSERT_EQ(preview.area_count(), 2);
    EXPECT_EQ(area(0).raw_line, "FSX_A Desc");
    EXPECT_EQ(area(0).imported_description, "Desc");
    EXPECT_EQ(area(1).raw_line, "FSX_C");
    EXPECT_EQ(area(1).status_text, "ERROR: line does not match profile");
    EXPECT_EQ(report->str().find('\0'), std::string::npos);
}

TEST_F(AreaListTest, EightBitTextIsKeptAsRead) {
    ASSERT_TRUE(parse("fsxnet.na", "FSX_\xC4RGER \x84rger und \xDC" "bel\r\nfsx_\xE4rger other\r\n"));
    EXPECT_EQ(area(0).echo_tag, "FSX_\xC4RGER");
    EXPECT_EQ(area(0).proposed_name, "fsxNet: \x84rger und \xDC" "bel");
    // Only A-Z fold: these tags differ in an 8-bit letter, so they are not duplicates.
    EXPECT_FALSE(area(1).duplicate_tag);
}

// A list as networks publish them, with every oddity at once. Every line ends up counted as a
// comment, a blank or a record, and every record has a verdict with its reason.
TEST_F(AreaListTest, MessyPublishedListGetsAVerdictForEveryLine) {
    std::string text;
    text += "##############################################\r\n";
    text += "##   fsxNet Echomail Areas  --  Generated list  ##\r\n";
    text += "##############################################\r\n";
    text += "\r\n";
    text += "    ; indented comment\r\n";
    text += "=============================================\r\n";  // a banner line without comment prefix
    text += "FSX_GEN\t\tGeneral chat for fsxNet\t \r\n";
    text += "FSX_BBS         BBS talk   \r";                     // CR-only end
    text += "FSX_NET         fsxNet: network news\n";            // LF-only end
    text += "FSX_GEN         Duplicate general\r\n";
    text += "FSX_VERYLONGTAGNAME  Tag over fifteen\r\n";
    text += "  FSX_INDENT    Indented record\r\n";
    text += "FSX_8BIT        Caf\xE9 \xAB" "talk\xBB\r\n";
    text += std::string("FSX_NUL         Before") + '\0' + "after\r\n";
    text += "FSX_ONLYTAG\r\n";
    text += "\x1A";  // a DOS end-of-file mark on its own line
    ASSERT_TRUE(parse("fsxnet.na", text));
    EXPECT_EQ(preview.comment_lines + preview.blank_lines + static_cast<uint32_t>(preview.area_count()),
              preview.source_lines);
    EXPECT_EQ(preview.comment_lines, 4u);
    EXPECT_EQ(preview.blank_lines, 0u);
    std::vector<std::string> got;
    for (const ImportedArea& a : preview.areas) got.push_back(a.echo_tag + " | " + a.status_text);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "============================================= | ERROR: line does not match profile",
                       "FSX_GEN | READY",
                       "FSX_BBS | READY",
                       "FSX_NET | READY",
                       "FSX_GEN | ERROR: duplicate tag in file",
                       "FSX_VERYLONGTAGNAME | ERROR: tag exceeds 15 chars",
                       "FSX_INDENT | READY",
                       "FSX_8BIT | READY",
                       "FSX_NUL | READY",
                       "FSX_ONLYTAG | ERROR: line does not match profile",
                       "\x1A | ERROR: line does not match profile",
                   }));
    EXPECT_EQ(area(1).imported_description, "General chat for fsxNet");
    EXPECT_EQ(area(2).imported_description, "BBS talk");
    EXPECT_EQ(area(6).raw_line, "  FSX_INDENT    Indented record");
    EXPECT_EQ(area(8).imported_description, "Before");
    for (const ImportedArea& a : preview.areas) {
        EXPECT_FALSE(a.status_text.empty());
        EXPECT_NE(report->str().find("  Line " + dec(a.line_number) + ": " + a.echo_tag + " -> "), std::string::npos);
    }
}

TEST_F(AreaListTest, CommentPrefixesComeFromTheProfile) {
    const std::string text = na_text({"; semicolon", "# hash", "## double", "// slashes", "FSX_A alpha"});
    ASSERT_TRUE(parse("fsxnet.na", text));
    EXPECT_EQ(preview.comment_lines, 3u);
    EXPECT_EQ(area(0).echo_tag, "//");
    profiles.profiles[kFsxnet].comment_prefixes = "//";
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.comment_lines, 1u);
    EXPECT_EQ(preview.area_count(), 4);
    profiles.profiles[kFsxnet].comment_prefixes = "";  // empty means the default list
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.comment_lines, 3u);
}

TEST_F(AreaListTest, RecordsPastTheCapAreCountedNotListed) {
    path = dir / "fsxnet.na";
    test::FixtureBuilder(*native).write_text(path, test::large_na_file(1030, 200000));
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.area_count(), 1024);
    EXPECT_EQ(preview.dropped_records, 6u);
    EXPECT_EQ(preview.source_lines, preview.comment_lines + 1030u);
    EXPECT_EQ(preview.areas.back().echo_tag, "FSX_AREA1024");
    EXPECT_EQ(preview.ready_count, 1024u);
    EXPECT_EQ(preview.areas.back().conference_number, 12u + 1024u);
}

TEST_F(AreaListTest, SizeLimitIsTwoMebibytes) {
    path = dir / "fsxnet.na";
    test::FixtureBuilder fixture(*native);
    fixture.write_text(path, test::large_na_file(1024, kMaxAreaListBytes));
    ASSERT_TRUE(parse_path());
    EXPECT_EQ(preview.area_count(), 1024);

    fixture.write_text(path, test::large_na_file(1024, kMaxAreaListBytes + 1));
    EXPECT_FALSE(parse_path());
    EXPECT_EQ(errors->str(), "File too large for safe in-memory inspection: " + path + "\r\n");
    EXPECT_EQ(preview.area_count(), 0);
    EXPECT_EQ(preview.profile_index, -1);
    EXPECT_EQ(report->length(), 0u);
}

TEST_F(AreaListTest, ReadFailuresAndEmptyInputs) {
    path = dir / "missing.na";
    EXPECT_FALSE(parse_path());
    EXPECT_EQ(errors->str(), "Cannot open: " + path + "\r\n");

    ASSERT_TRUE(parse("fsxnet.na", ""));
    EXPECT_EQ(preview.area_count(), 0);
    EXPECT_EQ(preview.source_lines, 0u);
    EXPECT_NE(report->str().find("Source lines: 0  Echo records: 0  Comments: 0  Blank: 0\r\n"
                                 "Ready: 0  Need review: 0  Errors: 0\r\n"),
              std::string::npos);

    ProfileTable empty;
    report->reset();
    EXPECT_FALSE(parse_area_list(*native, path, baseline, empty, -1, "", preview, *report, errors.get()));
    EXPECT_EQ(errors->str(), "No usable .NA profile is available.\r\n");
    EXPECT_EQ(report->length(), 0u);
}

TEST_F(AreaListTest, InvalidManualIndexFallsBackToDetection) {
    ASSERT_TRUE(parse("fsxnet.na", "FSX_A alpha\r\n", 16));
    EXPECT_EQ(preview.profile_index, kFsxnet);
    EXPECT_EQ(preview.detection, "Automatic: filename matched known network profile");
    ASSERT_TRUE(parse_path(kGenericDelimiter));
    EXPECT_EQ(preview.detection, "Manual profile selection");
    EXPECT_EQ(area(0).status_text, "ERROR: line does not match profile");
}

class DetectionTest : public AreaListTest {
protected:
    int detect(const std::string& file_name, const std::vector<std::string>& lines) {
        detection.clear();
        return detect_profile(file_name, na_text(lines), profiles, detection);
    }
    std::string detection;
};

TEST_F(DetectionTest, FileNameAliasesInAnyCaseAndDirectory) {
    EXPECT_EQ(detect("C:\\Lists\\FsxNet.Na", {"ANN.X - y"}), kFsxnet);
    EXPECT_EQ(detection, "Automatic: filename matched known network profile");
    EXPECT_EQ(detect("/srv/lists/amiganetechomailareas.NA", {}), 1);
    EXPECT_EQ(detect("tcnet.na", {}), 10);
    EXPECT_NE(detect("fsxnet.na.bak", {}), kFsxnet);
    // Generic profiles take no part, even when they carry an alias.
    profiles.profiles[kGenericDelimiter].filename_aliases = "mine.na";
    EXPECT_EQ(detect("mine.na", {"TAG description"}), kGenericWhitespace);
    // The first profile in slot order that names the file wins.
    profiles.profiles[3].filename_aliases = "CHEESE.NA | shared.na";
    profiles.profiles[8].filename_aliases = "shared.na";
    EXPECT_EQ(detect("SHARED.NA", {}), 3);
}

TEST_F(DetectionTest, TagPatternsNeedTwoThirdsOfTheSamples) {
    EXPECT_EQ(detect("list.na", {"FSX_A alpha", "fsx_b beta", "FSX_C gamma"}), kFsxnet);
    EXPECT_EQ(detection, "Automatic: echo-tag pattern matched known profile");
    // Two of three lines: 6 points against 6 needed.
    EXPECT_EQ(detect("list.na", {"FSX_A alpha", "FSX_B beta", "OTHER gamma"}), kFsxnet);
    // One of three: 3 points, a generic profile instead.
    EXPECT_EQ(detect("list.na", {"FSX_A alpha", "ONE beta", "TWO gamma"}), kGenericWhitespace);
    EXPECT_EQ(detection, "Automatic: generic padded/whitespace layout");
    // Suffixes count too, and a prefix and a suffix on one line count twice.
    EXPECT_EQ(detect("list.na", {"GAMES_AMY games", "ONE x", "TWO x"}), kGenericWhitespace);
    EXPECT_EQ(detect("list.na", {"GAMES_AMY games", "CHAT_amy chat", "TWO x"}), 1);
    profiles.profiles[1].tag_prefixes = "AMY_";
    EXPECT_EQ(detect("list.na", {"AMY_GAMES_AMY games", "ONE x", "TWO x"}), 1);
    // A suffix longer than the tag does not match.
    profiles.profiles[1].tag_suffixes = "LONGER_THAN_TAG";
    EXPECT_EQ(detect("list.na", {"TAG x", "TAG2 y"}), kGenericWhitespace);
}

TEST_F(DetectionTest, TiesGoToTheLowerSlotAndZeroNeverWins) {
    profiles.profiles[2].tag_prefixes = "SAME_";
    profiles.profiles[9].tag_prefixes = "SAME_";
    EXPECT_EQ(detect("list.na", {"SAME_A x", "SAME_B y"}), 2);
    // A table of one non-generic profile without any evidence: the generic fallback is missing,
    // so slot 0 stands in with the detection text of the fallback step.
    ProfileTable one;
    one.profiles.push_back(profiles.profiles[kFsxnet]);
    EXPECT_EQ(detect_profile("list.na", "NOTHING here\r\n", one, detection), 0);
    EXPECT_EQ(detection, "Automatic: generic padded/whitespace layout");
    EXPECT_EQ(detect_profile("list.na", "NOTHING - here\r\n", one, detection), 0);
    EXPECT_EQ(detection, "Automatic: generic TAG - description layout");
}

TEST_F(DetectionTest, DashLinesChooseTheDelimiterFallback) {
    std::vector<std::string> lines;
    for (int i = 0; i < 64; ++i) lines.push_back("AREA" + std::to_string(i) + (i < 39 ? " - dashed" : "  padded"));
    EXPECT_EQ(detect("list.na", lines), kGenericDelimiter);  // 39 of 64: 60 per 100
    EXPECT_EQ(detection, "Automatic: generic TAG - description layout");
    lines[38] = "AREA38  padded";
    EXPECT_EQ(detect("list.na", lines), kGenericWhitespace);  // 38 of 64: 59 per 100
    // What makes a dash line: blanks before the hyphen, a blank right after it.
    EXPECT_EQ(detect("list.na", {"A -\tx", "B\t\t- y", "C -z"}), kGenericDelimiter);
    EXPECT_EQ(detect("list.na", {"A -x", "B- y", "C -"}), kGenericWhitespace);
}

TEST_F(DetectionTest, OnlySixtyFourSamplesCount) {
    std::vector<std::string> lines = {"; comment", "# comment", "   ", ";FSX_X not a sample"};
    for (int i = 0; i < 64; ++i) lines.push_back("PLAIN" + std::to_string(i) + " padded");
    for (int i = 0; i < 300; ++i) lines.push_back("FSX_" + std::to_string(i) + " tagged");
    EXPECT_EQ(detect("list.na", lines), kGenericWhitespace);
    // Comments and blanks are not samples: 64 FSX_ lines after many comments still decide.
    std::vector<std::string> tagged(100, "; comment");
    for (int i = 0; i < 64; ++i) tagged.push_back("FSX_" + std::to_string(i) + " tagged");
    EXPECT_EQ(detect("list.na", tagged), kFsxnet);
    // The sample tag is cut at 63 characters before the suffix test.
    profiles.profiles[1].tag_suffixes = "_AMY";
    EXPECT_EQ(detect("list.na", {std::string(62, 'x') + "_AMY y"}), kGenericWhitespace);
    EXPECT_EQ(detect("list.na", {std::string(59, 'x') + "_AMY y"}), 1);
}

TEST_F(DetectionTest, EmptyFileTakesTheWhitespaceFallback) {
    EXPECT_EQ(detect_profile("list.na", "", profiles, detection), kGenericWhitespace);
    EXPECT_EQ(detection, "Automatic: generic padded/whitespace layout");
}

// Whatever bytes a file holds, the parse keeps its invariants and never reads out of bounds
// (the sanitizers watch this test).
TEST_F(AreaListTest, ArbitraryBytesKeepEveryInvariant) {
    std::mt19937 rng(7041);
    const std::string alphabet = std::string("FSX_ANN.-;# \t\r\n\x1A\xE9") + '\0';
    for (int round = 0; round < 60; ++round) {
        std::string text;
        const size_t length = rng() % 6000;
        for (size_t i = 0; i < length; ++i) {
            const uint32_t r = rng() % 100;
            if (r < 70)
                text += alphabet[rng() % alphabet.size()];
            else if (r < 97)
                text += static_cast<char>('A' + rng() % 26);
            else
                text += std::string(rng() % 1500, 'L');
        }
        const int profile = static_cast<int>(rng() % 17) - 1;
        profiles.profiles[kFidonet].description_column = rng() % 140;
        ASSERT_TRUE(parse("fuzz.na", text, profile));
        EXPECT_EQ(preview.comment_lines + preview.blank_lines + preview.dropped_records +
                      static_cast<uint32_t>(preview.area_count()),
                  preview.source_lines);
        EXPECT_EQ(preview.ready_count + preview.review_count + preview.blocked_count,
                  static_cast<uint32_t>(preview.area_count()));
        uint32_t next_number = 13, last_line = 0;
        for (const ImportedArea& a : preview.areas) {
            EXPECT_GT(a.line_number, last_line);
            last_line = a.line_number;
            EXPECT_LE(a.raw_line.size(), 1023u);
            EXPECT_LE(a.echo_tag.size(), 127u);
            EXPECT_FALSE(a.echo_tag.empty());
            EXPECT_LE(a.proposed_name.size(), 40u);
            EXPECT_EQ(a.raw_line.find('\0'), std::string::npos);
            EXPECT_EQ(a.blocked, a.unparsed || a.tag_exists || a.duplicate_tag || a.tag_too_long);
            if (a.blocked) {
                EXPECT_EQ(a.conference_number, 0u);
                EXPECT_EQ(a.status_text.rfind("ERROR: ", 0), 0u);
            } else {
                EXPECT_EQ(a.conference_number, next_number++);
                EXPECT_EQ(a.proposed_name.rfind(preview.network_name.substr(0, 40), 0), 0u);
            }
        }
    }
}

}  // namespace
}  // namespace marlinth
