#include "import/profiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/strings.h"
#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

constexpr uint32_t kWhitespace = static_cast<uint32_t>(ParserLayout::Whitespace);
constexpr uint32_t kDelimiter = static_cast<uint32_t>(ParserLayout::Delimiter);
constexpr uint32_t kFixed = static_cast<uint32_t>(ParserLayout::FixedColumn);

// key|display|parser|column|delimiter|aliases|prefixes|suffixes|comments|strip|generic
std::string dump(const NetworkProfile& p) {
    return p.key + "|" + p.display_name + "|" + dec(p.parser) + "|" + dec(p.description_column) + "|" + p.delimiter +
           "|" + p.filename_aliases + "|" + p.tag_prefixes + "|" + p.tag_suffixes + "|" + p.comment_prefixes + "|" +
           p.strip_prefixes + "|" + dec(p.generic);
}

class ProfilesTest : public ::testing::Test {
protected:
    // The built-ins merged with an INI file of this text.
    size_t load(const std::string& ini, size_t capacity = kProfileCapacity) {
        test::FixtureBuilder(*native).write_text(ini_path, ini);
        return load_network_profiles(*native, ini_path, table, capacity);
    }
    std::string keys() {
        std::string out;
        for (const NetworkProfile& p : table.profiles) out += p.key + (p.generic ? "* " : " ");
        return out;
    }

    test::TempDir dir;
    std::unique_ptr<Platform> native = make_native_platform();
    std::string ini_path = dir / "Marlinth-profiles.ini";
    ProfileTable table;
};

TEST_F(ProfilesTest, BuiltinsAloneWhenTheFileIsUnusable) {
    // Slot order decides detection ties and the positions of the profile choice list.
    const std::string builtins = "agoranet amiganet anothernet cheesenet dorenet fidonet fsxnet healthnet hobbynet "
                                 "micronet transcanadanet tqwnet weednet zeronet generic-delimiter* "
                                 "generic-whitespace* ";
    EXPECT_EQ(load_network_profiles(*native, dir / "missing.ini", table, kProfileCapacity), 16u);
    EXPECT_EQ(keys(), builtins);
    EXPECT_EQ(load_network_profiles(*native, "", table, kProfileCapacity), 16u);
    EXPECT_EQ(load_network_profiles(*native, dir.path(), table, kProfileCapacity), 16u);  // a directory
    // Over 512 KiB the file is not read at all, even its first section.
    EXPECT_EQ(load("[Big Net]\r\n" + std::string(524288, ';')), 16u);
    EXPECT_EQ(keys(), builtins);
    EXPECT_EQ(load("[Exact Net]\r\n;" + std::string(524288 - 14, ';')), 17u);
    test::FaultPlatform faulty(*native);
    faulty.fail_nth(test::Op::Read, 1);
    EXPECT_EQ(load_network_profiles(faulty, ini_path, table, kProfileCapacity), 16u);
    EXPECT_EQ(keys(), builtins);
}

TEST_F(ProfilesTest, SectionsChangeTheirProfileInPlaceOrAddOne) {
    EXPECT_EQ(load("[FidoNet]\r\nDisplayName = Fido Backbone \r\n"), 16u);
    EXPECT_EQ(dump(table.profiles[5]), "fidonet|Fido Backbone|3|39||BACKBONE.NA|||;|#||0");
    load("[fsxNET]\n"
         "displayname=F\nPARSER=fixedcolumn\nDescriptionColumn=\t 41xyz\nDelimiter=::\n"
         "FilenameAliases=a.na|b.na\nTagPrefixes=A_\nTagSuffixes=_Z\nCommentPrefixes=//\nStripPrefixes=F:\n"
         "Generic=Yes\n");
    EXPECT_EQ(dump(table.profiles[6]), "fsxnet|F|3|41|::|a.na|b.na|A_|_Z|//|F:|1");
    // Emptied fields stay empty (the parser then uses its default comments); a key without "="
    // empties its field.
    load("[fsxnet]\nCommentPrefixes=\nTagPrefixes=\nDisplayName\n");
    EXPECT_EQ(dump(table.profiles[6]), "fsxnet||1|0||fsxnet.na|||||0");

    std::string ini = "[My Net]\r\n";
    for (int i = 1; i <= 16; ++i)
        ini += "[Net " + std::to_string(i) + "]\r\nDisplayName=Display " + std::to_string(i) + "\r\n";
    ini += "[fidonet]\r\nDisplayName=Changed after the table filled\r\n";
    EXPECT_EQ(load(ini), 32u);
    EXPECT_EQ(dump(table.profiles[16]), "My Net|My Net|1|0|||||##|#|;||0");
    EXPECT_EQ(dump(table.profiles[31]), "Net 15|Display 15|1|0|||||##|#|;||0");
    // The 17th new section found no room: its key line changed nothing, not even the last profile.
    EXPECT_EQ(table.profiles[5].display_name, "Changed after the table filled");
    // With room for fewer than the built-ins, only that many are loaded and nothing is added.
    EXPECT_EQ(load("[Another]\n", 4), 4u);
    EXPECT_EQ(keys(), "agoranet amiganet anothernet cheesenet ");
}

TEST_F(ProfilesTest, MalformedLines) {
    load("DisplayName=before any header\r\n"
         "[agoranet]\r\n"
         "   ; DisplayName=commented\r\n"
         "#DisplayName=also commented\r\n"
         "\r\n\r\n"
         "[cheesenet\r\n"  // no "]": ignored, agoranet stays current
         "  DisplayName  =  Agora Two  \r"
         "TagPrefixes=AGN_|AG2_\n"
         "[]\r\n"  // a section with an empty name: a new profile with an empty key
         "Parser=Delimiter\r\n"
         "[ Padded ]\nDisplayName=x\n"
         "[a]b]\nDisplayName=y\n");
    EXPECT_EQ(dump(table.profiles[0]), "agoranet|Agora Two|1|0||agoranet.na|AGN_|AG2_||;|#||0");
    EXPECT_EQ(table.profiles[3].display_name, "CheeseNet");
    for (const NetworkProfile& p : table.profiles) EXPECT_NE(p.display_name, "before any header");
    ASSERT_EQ(table.count(), 19u);
    EXPECT_EQ(dump(table.profiles[16]), "||2|0|||||##|#|;||0");
    EXPECT_EQ(table.profiles[17].key, " Padded ");  // taken as written, up to the first "]"
    EXPECT_EQ(dump(table.profiles[18]), "a|y|1|0|||||##|#|;||0");
}

TEST_F(ProfilesTest, OverlongTextsAreCutToTheirFields) {
    const std::string name(60, 'N');
    std::string ini = "[" + name + "]\nDisplayName=" + std::string(60, 'D') + "\nDelimiter=" + std::string(20, '-');
    ini += "\n";
    for (const char* key : {"FilenameAliases", "TagPrefixes", "TagSuffixes", "CommentPrefixes", "StripPrefixes"})
        ini += std::string(key) + "=" + std::string(300, key[0]) + "\n";
    ini += "[" + name + "]\nGeneric=t\n";  // the same long name finds the same profile
    // Only the first 1023 characters of a line count; the rest is skipped, not read as a line.
    ini += "[fsxnet]\nDisplayName=" + std::string(1100, 'x') + "=[cheesenet]\nTagPrefixes=Q_\n";
    ini += std::string(128, 'K') + "=ignored\n";  // a key no field has
    EXPECT_EQ(load(ini), 17u);
    EXPECT_EQ(dump(table.profiles[16]), std::string(39, 'N') + "|" + std::string(47, 'D') + "|1|0|" +
                                            std::string(15, '-') + "|" + std::string(191, 'F') + "|" +
                                            std::string(127, 'T') + "|" + std::string(127, 'T') + "|" +
                                            std::string(63, 'C') + "|" + std::string(127, 'S') + "|1");
    EXPECT_EQ(table.profiles[6].display_name, std::string(47, 'x'));
    EXPECT_EQ(table.profiles[6].tag_prefixes, "Q_");
    EXPECT_EQ(table.profiles[3].tag_prefixes, "CHEESE_");
}

TEST_F(ProfilesTest, NumericAndChoiceValues) {
    const uint32_t NetworkProfile::*parser = &NetworkProfile::parser;
    const uint32_t NetworkProfile::*column = &NetworkProfile::description_column;
    const uint32_t NetworkProfile::*generic = &NetworkProfile::generic;
    const struct {
        const char* lines;
        const uint32_t NetworkProfile::*field;
        uint32_t expected;
    } cases[] = {
        {"Parser=fixedcolumn", parser, kFixed},         {"Parser=DELIMITER", parser, kDelimiter},
        {"Parser=auto", parser, 0},                     {"Parser=Tab", parser, kWhitespace},
        {"Parser=", parser, kWhitespace},               {"Parser=Fixed Column", parser, kWhitespace},
        {"DescriptionColumn= 39x", column, 39},         {"DescriptionColumn=abc", column, 0},
        {"DescriptionColumn=", column, 0},              {"DescriptionColumn=007", column, 7},
        {"DescriptionColumn=-5", column, 0},            {"DescriptionColumn=99999999999", column, 0xFFFFFFFFu},
        {"DescriptionColumn=1 2", column, 1},           {"Generic=yes", generic, 1},
        {"Generic=Y", generic, 1},                      {"Generic=1", generic, 1},
        {"Generic=true", generic, 1},                   {"Generic=T", generic, 1},
        {"Generic=1\nGeneric=no", generic, 0},          {"Generic=1\nGeneric=2", generic, 0},
        {"Generic=1\nGeneric=", generic, 0},            {"Generic=1\nGeneric=on", generic, 0},
    };
    for (const auto& c : cases) {
        load(std::string("[fidonet]\n") + c.lines + "\n");
        EXPECT_EQ(table.profiles[5].*c.field, c.expected) << c.lines;
    }
}

TEST(ProfileLists, PrefixListsTokensAndLayoutNames) {
    const struct {
        std::string list, subject;
        bool matches;
    } cases[] = {
        {"  FSX_  ", "fsx_gen", true}, {"FSX_", "FS", false},     {"| |\t|", "anything", false},
        {"||ICE||", "ICEBERG", true},  {"\xC4X", "\xE4x", false}, {"\xC4X", "\xC4x", true},  // only A-Z fold
        {std::string(200, 'A'), std::string(127, 'a'), true},  // a token is cut at 127 characters
    };
    for (const auto& c : cases) EXPECT_EQ(matches_prefix_list(c.list, c.subject), c.matches) << c.list;
    EXPECT_EQ(list_tokens(" a | b||c "), (std::vector<std::string>{"a", "b", "c"}));
    std::string names;
    for (uint32_t layout : {0u, 1u, 2u, 3u, 4u, 0xFFFFFFFFu}) names += layout_display_name(layout) + "|";
    EXPECT_EQ(names, "Auto|Whitespace/padded|Tag - description|Fixed column|Auto|Auto|");
    NetworkProfile p;
    for (std::string_view comments : {std::string_view(""), std::string_view("\0x", 2)}) {
        init_network_profile(p, "k", "d", ParserLayout::Delimiter, 5, "", "", "", "", comments, "", 0);
        EXPECT_EQ(p.comment_prefixes, "##|#|;");  // a text that ends at once counts as empty
    }
}

}  // namespace
}  // namespace marlinth
