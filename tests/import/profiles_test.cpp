#include "import/profiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/fault_platform.h"
#include "support/fixture.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

class ProfilesTest : public ::testing::Test {
protected:
    // Loads the built-ins merged with an INI file of this text.
    size_t load(const std::string& ini, size_t capacity = kProfileCapacity) {
        test::FixtureBuilder(*native).write_text(ini_path, ini);
        return load_network_profiles(*native, ini_path, table, capacity);
    }
    const NetworkProfile& by_key(const std::string& key) {
        for (const NetworkProfile& p : table.profiles)
            if (p.key == key) return p;
        ADD_FAILURE() << "no profile " << key;
        static NetworkProfile none;
        return none;
    }

    test::TempDir dir;
    std::unique_ptr<Platform> native = make_native_platform();
    std::string ini_path = dir / "Marlinth-profiles.ini";
    ProfileTable table;
};

TEST_F(ProfilesTest, BuiltinsInSlotOrderWithTheirFields) {
    EXPECT_EQ(load_network_profiles(*native, dir / "missing.ini", table, kProfileCapacity), 16u);
    const char* keys[] = {"agoranet", "amiganet",  "anothernet",     "cheesenet", "dorenet", "fidonet",
                          "fsxnet",   "healthnet", "hobbynet",       "micronet",  "transcanadanet",
                          "tqwnet",   "weednet",   "zeronet",        "generic-delimiter", "generic-whitespace"};
    ASSERT_EQ(table.count(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(table.profiles[i].key, keys[i]) << i;

    const NetworkProfile& amiga = table.profiles[1];
    EXPECT_EQ(amiga.parser, static_cast<uint32_t>(ParserLayout::FixedColumn));
    EXPECT_EQ(amiga.description_column, 27u);
    EXPECT_EQ(amiga.tag_suffixes, "_AMY");
    EXPECT_EQ(amiga.strip_prefixes, "AmigaNet:");
    EXPECT_EQ(amiga.comment_prefixes, ";|#");
    EXPECT_EQ(table.profiles[4].display_name, "DoRENET");
    EXPECT_EQ(table.profiles[4].filename_aliases, "dorenet.NA");
    EXPECT_EQ(table.profiles[5].description_column, 39u);
    EXPECT_EQ(table.profiles[9].tag_prefixes, "MIN_|L618_");
    EXPECT_EQ(table.profiles[9].comment_prefixes, "##|#|;");
    EXPECT_EQ(table.profiles[10].display_name, "Trans-CanadaNet");
    EXPECT_EQ(table.profiles[10].tag_prefixes, "I_|ICE");
    EXPECT_EQ(table.profiles[10].strip_prefixes, "(TCN)");
    EXPECT_EQ(table.profiles[11].parser, static_cast<uint32_t>(ParserLayout::Delimiter));
    EXPECT_EQ(table.profiles[12].description_column, 37u);
    EXPECT_EQ(table.profiles[13].display_name, "Zer0net");
    EXPECT_EQ(table.profiles[13].strip_prefixes, "Zer0net -");
    for (size_t i = 0; i < 14; ++i) EXPECT_EQ(table.profiles[i].generic, 0u) << i;
    EXPECT_EQ(table.profiles[14].generic, 1u);
    EXPECT_EQ(table.profiles[14].parser, static_cast<uint32_t>(ParserLayout::Delimiter));
    EXPECT_EQ(table.profiles[14].display_name, "Unknown FTN Network");
    EXPECT_EQ(table.profiles[15].parser, static_cast<uint32_t>(ParserLayout::Whitespace));
    EXPECT_EQ(table.profiles[15].comment_prefixes, "##|#|;");
}

TEST_F(ProfilesTest, UnusableFilesLeaveTheBuiltins) {
    EXPECT_EQ(load_network_profiles(*native, "", table, kProfileCapacity), 16u);
    EXPECT_EQ(load_network_profiles(*native, dir.path(), table, kProfileCapacity), 16u);  // a directory
    // Over 512 KiB the file is not read at all, even its first section.
    EXPECT_EQ(load("[Big Net]\r\n" + std::string(524288, ';')), 16u);
    EXPECT_EQ(load("[Exact Net]\r\n;" + std::string(524288 - 14, ';')), 17u);

    test::FaultPlatform faulty(*native);
    faulty.fail_nth(test::Op::Read, 1);
    test::FixtureBuilder(*native).write_text(ini_path, "[Unread]\r\n");
    EXPECT_EQ(load_network_profiles(faulty, ini_path, table, kProfileCapacity), 16u);
}

TEST_F(ProfilesTest, ExistingSectionChangesThatProfileInPlace) {
    EXPECT_EQ(load("[FidoNet]\r\nDisplayName = Fido Backbone \r\n"), 16u);
    const NetworkProfile& fido = table.profiles[5];
    EXPECT_EQ(fido.display_name, "Fido Backbone");
    EXPECT_EQ(fido.parser, static_cast<uint32_t>(ParserLayout::FixedColumn));
    EXPECT_EQ(fido.description_column, 39u);
    EXPECT_EQ(fido.filename_aliases, "BACKBONE.NA");

    // Every field, set and then emptied where the rules allow it.
    load("[fsxNET]\n"
         "displayname=F\nPARSER=fixedcolumn\nDescriptionColumn=\t 41xyz\nDelimiter=::\n"
         "FilenameAliases=a.na|b.na\nTagPrefixes=A_\nTagSuffixes=_Z\nCommentPrefixes=//\nStripPrefixes=F:\nGeneric=Yes\n");
    const NetworkProfile& fsx = table.profiles[6];
    EXPECT_EQ(fsx.display_name, "F");
    EXPECT_EQ(fsx.parser, static_cast<uint32_t>(ParserLayout::FixedColumn));
    EXPECT_EQ(fsx.description_column, 41u);
    EXPECT_EQ(fsx.delimiter, "::");
    EXPECT_EQ(fsx.filename_aliases, "a.na|b.na");
    EXPECT_EQ(fsx.tag_prefixes, "A_");
    EXPECT_EQ(fsx.tag_suffixes, "_Z");
    EXPECT_EQ(fsx.comment_prefixes, "//");
    EXPECT_EQ(fsx.strip_prefixes, "F:");
    EXPECT_EQ(fsx.generic, 1u);

    load("[fsxnet]\nCommentPrefixes=\nTagPrefixes=\nDisplayName\n");
    EXPECT_EQ(table.profiles[6].comment_prefixes, "");  // the parser then uses its default list
    EXPECT_EQ(table.profiles[6].tag_prefixes, "");
    EXPECT_EQ(table.profiles[6].display_name, "");  // a key line without "=" empties the field
}

TEST_F(ProfilesTest, NewSectionsAreAddedUpToTheCapacity) {
    std::string ini = "[My Net]\r\n";
    for (int i = 1; i <= 16; ++i) ini += "[Net " + std::to_string(i) + "]\r\nDisplayName=Display " + std::to_string(i) + "\r\n";
    ini += "[fidonet]\r\nDisplayName=Changed after the table filled\r\n";
    EXPECT_EQ(load(ini), 32u);

    const NetworkProfile& mine = table.profiles[16];
    EXPECT_EQ(mine.key, "My Net");
    EXPECT_EQ(mine.display_name, "My Net");
    EXPECT_EQ(mine.parser, static_cast<uint32_t>(ParserLayout::Whitespace));
    EXPECT_EQ(mine.description_column, 0u);
    EXPECT_EQ(mine.comment_prefixes, "##|#|;");
    EXPECT_EQ(mine.generic, 0u);
    EXPECT_EQ(table.profiles[31].key, "Net 15");
    EXPECT_EQ(table.profiles[31].display_name, "Display 15");
    // The 17th new section found no room: its key line changed nothing, not even the last profile.
    for (const NetworkProfile& p : table.profiles) EXPECT_NE(p.key, "Net 16");
    EXPECT_EQ(table.profiles[5].display_name, "Changed after the table filled");

    // With room for fewer than the built-ins, only that many are loaded and nothing is added.
    EXPECT_EQ(load("[Another]\n", 4), 4u);
    EXPECT_EQ(table.profiles[3].key, "cheesenet");
}

TEST_F(ProfilesTest, LineRules) {
    load("DisplayName=before any header\r\n"
         "[agoranet]\r\n"
         "   ; DisplayName=commented\r\n"
         "#DisplayName=also commented\r\n"
         "\r\n\r\n"
         "[cheesenet\r\n"  // no "]": ignored, agoranet stays current
         "  DisplayName  =  Agora Two  \r"
         "TagPrefixes=AGN_|AG2_\n"
         "[]\r\n"
         "Parser=Delimiter\r\n");
    EXPECT_EQ(table.profiles[0].display_name, "Agora Two");
    EXPECT_EQ(table.profiles[0].tag_prefixes, "AGN_|AG2_");
    EXPECT_EQ(table.profiles[3].display_name, "CheeseNet");
    for (const NetworkProfile& p : table.profiles) EXPECT_NE(p.display_name, "before any header");
    // "[]" is a section with an empty name: a new profile with an empty key.
    ASSERT_EQ(table.count(), 17u);
    EXPECT_EQ(table.profiles[16].key, "");
    EXPECT_EQ(table.profiles[16].parser, static_cast<uint32_t>(ParserLayout::Delimiter));
}

TEST_F(ProfilesTest, SectionNameIsTakenAsWrittenUpToTheFirstBracket) {
    load("[ Padded ]\nDisplayName=x\n[a]b]\nDisplayName=y\n");
    ASSERT_EQ(table.count(), 18u);
    EXPECT_EQ(table.profiles[16].key, " Padded ");
    EXPECT_EQ(table.profiles[17].key, "a");
    EXPECT_EQ(table.profiles[17].display_name, "y");
}

TEST_F(ProfilesTest, LongTextsAreCutToTheirFields) {
    const std::string name(60, 'N');
    std::string ini = "[" + name + "]\n";
    ini += "DisplayName=" + std::string(60, 'D') + "\n";
    ini += "Delimiter=" + std::string(20, '-') + "\n";
    ini += "FilenameAliases=" + std::string(300, 'a') + "\n";
    ini += "TagPrefixes=" + std::string(300, 'p') + "\n";
    ini += "TagSuffixes=" + std::string(300, 's') + "\n";
    ini += "CommentPrefixes=" + std::string(300, 'c') + "\n";
    ini += "StripPrefixes=" + std::string(300, 'x') + "\n";
    ini += "[" + name + "]\nGeneric=t\n";  // the same long name finds the same profile
    EXPECT_EQ(load(ini), 17u);
    const NetworkProfile& p = table.profiles[16];
    EXPECT_EQ(p.key, std::string(39, 'N'));
    EXPECT_EQ(p.display_name, std::string(47, 'D'));
    EXPECT_EQ(p.delimiter, std::string(15, '-'));
    EXPECT_EQ(p.filename_aliases, std::string(191, 'a'));
    EXPECT_EQ(p.tag_prefixes, std::string(127, 'p'));
    EXPECT_EQ(p.tag_suffixes, std::string(127, 's'));
    EXPECT_EQ(p.comment_prefixes, std::string(63, 'c'));
    EXPECT_EQ(p.strip_prefixes, std::string(127, 'x'));
    EXPECT_EQ(p.generic, 1u);
}

TEST_F(ProfilesTest, OverlongLinesAndKeys) {
    // Only the first 1023 characters of a line count; the rest is skipped, not read as a line.
    std::string ini = "[fsxnet]\nDisplayName=" + std::string(1100, 'x') + "=[cheesenet]\nTagPrefixes=Q_\n";
    ini += std::string(128, 'K') + "=ignored\n";  // a key no field has
    load(ini);
    EXPECT_EQ(table.profiles[6].display_name, std::string(47, 'x'));
    EXPECT_EQ(table.profiles[6].tag_prefixes, "Q_");
    EXPECT_EQ(table.profiles[3].tag_prefixes, "CHEESE_");
}

TEST_F(ProfilesTest, ParserDescriptionColumnAndGenericValues) {
    struct ParserCase {
        const char* value;
        ParserLayout expected;
    };
    for (ParserCase c : {ParserCase{"fixedcolumn", ParserLayout::FixedColumn}, {"DELIMITER", ParserLayout::Delimiter},
                         {"auto", ParserLayout::Auto}, {"Whitespace", ParserLayout::Whitespace},
                         {"Tab", ParserLayout::Whitespace}, {"", ParserLayout::Whitespace},
                         {"Fixed Column", ParserLayout::Whitespace}}) {
        load(std::string("[fidonet]\nParser=") + c.value + "\n");
        EXPECT_EQ(table.profiles[5].parser, static_cast<uint32_t>(c.expected)) << c.value;
    }
    struct ColumnCase {
        const char* value;
        uint32_t expected;
    };
    for (ColumnCase c : {ColumnCase{" 39x", 39}, {"abc", 0}, {"", 0}, {"007", 7}, {"-5", 0}, {"99999999999", 0xFFFFFFFFu},
                         {"1 2", 1}}) {
        load(std::string("[fidonet]\nDescriptionColumn=") + c.value + "\n");
        EXPECT_EQ(table.profiles[5].description_column, c.expected) << c.value;
    }
    struct GenericCase {
        const char* value;
        uint32_t expected;
    };
    for (GenericCase c : {GenericCase{"yes", 1}, {"Y", 1}, {"1", 1}, {"true", 1}, {"T", 1}, {"no", 0}, {"2", 0},
                          {"", 0}, {"on", 0}}) {
        load(std::string("[fidonet]\nGeneric=") + c.value + "\n");
        EXPECT_EQ(table.profiles[5].generic, c.expected) << c.value;
    }
}

TEST(ProfileLists, MatchesPrefixList) {
    EXPECT_TRUE(matches_prefix_list(";|#", "; comment"));
    EXPECT_TRUE(matches_prefix_list(";|#", "#comment"));
    EXPECT_FALSE(matches_prefix_list(";|#", "TAG ; not a comment"));
    EXPECT_TRUE(matches_prefix_list("  FSX_  ", "fsx_general"));
    EXPECT_FALSE(matches_prefix_list("FSX_", "FS"));
    EXPECT_FALSE(matches_prefix_list("", "anything"));
    EXPECT_FALSE(matches_prefix_list("| |\t|", "anything"));  // only empty tokens
    EXPECT_TRUE(matches_prefix_list("||ICE||", "ICEBERG"));
    // Only A-Z fold: an 8-bit letter must match exactly.
    EXPECT_FALSE(matches_prefix_list("\xC4X", "\xE4x"));
    EXPECT_TRUE(matches_prefix_list("\xC4X", "\xC4x"));
    // A token over 127 characters is cut there, so a subject matching the first 127 matches.
    EXPECT_TRUE(matches_prefix_list(std::string(200, 'A'), std::string(127, 'a')));
}

TEST(ProfileLists, TokensAndLayoutNames) {
    EXPECT_EQ(list_tokens(" a | b||c "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(list_tokens(std::string(200, 'x'), 191).front().size(), 191u);
    EXPECT_TRUE(list_tokens("").empty());
    EXPECT_EQ(layout_display_name(0), "Auto");
    EXPECT_EQ(layout_display_name(1), "Whitespace/padded");
    EXPECT_EQ(layout_display_name(2), "Tag - description");
    EXPECT_EQ(layout_display_name(3), "Fixed column");
    EXPECT_EQ(layout_display_name(4), "Auto");
    EXPECT_EQ(layout_display_name(0xFFFFFFFFu), "Auto");

    NetworkProfile p;
    init_network_profile(p, "k", "d", ParserLayout::Delimiter, 5, "", "", "", "", "", "", 0);
    EXPECT_EQ(p.comment_prefixes, "##|#|;");
    init_network_profile(p, "k", "d", ParserLayout::Delimiter, 5, "", "", "", "", std::string_view("\0x", 2), "", 0);
    EXPECT_EQ(p.comment_prefixes, "##|#|;");  // a text that ends at once counts as empty
}

}  // namespace
}  // namespace marlinth
