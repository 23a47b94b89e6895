#include "import/profiles.h"

#include <gtest/gtest.h>

#include "core/strings.h"
#include "fixture/installation.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"

namespace marlinth {
namespace {

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
                                 "micronet transcanadanet tqwnet weednet zeronet generic-delimiter* generic-whitespace* ";
    for (const std::string& unusable : {dir / "missing.ini", std::string(), std::string(dir.path())}) {
        EXPECT_EQ(load_network_profiles(*native, unusable, table, kProfileCapacity), 16u);
        EXPECT_EQ(keys(), builtins) << unusable;
    }
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
    load("[fsxNET]\n"
         "displayname=F\nPARSER=fixedcolumn\nDescriptionColumn=\t 41xyz\nDelimiter=::\n"
         "FilenameAliases=a.na|b.na\nTagPrefixes=A_\nTagSuffixes=_Z\nCommentPrefixes=//\nStripPrefixes=F:\n"
         "Generic=Yes\n");
    EXPECT_EQ(dump(table.profiles[6]), "fsxnet|F|3|41|::|a.na|b.na|A_|_Z|//|F:|1");
    // Emptied fields stay empty (the parser then uses its default comments); a key without "="
    // empties its field.
    load("[fsxnet]\nCommentPrefixes=\nTagPrefixes=\nDisplayName\n");
    EXPECT_EQ(dump(table.profiles[6]), "fsxnet||1|0||fsxnet.na|||||0");

    std::string ini;
    for (int i = 1; i <= 17; ++i)
        ini += "[Net " + std::to_string(i) + "]\r\nDisplayName=Display " + std::to_string(i) + "\r\n";
    EXPECT_EQ(load(ini + "[fidonet]\r\nDisplayName=Changed after the table filled\r\n"), 32u);
    EXPECT_EQ(dump(table.profiles[31]), "Net 16|Display 16|1|0|||||##|#|;||0");
    // The 17th new section found no room: its key line changed nothing, not even the last profile.
    EXPECT_EQ(table.profiles[5].display_name, "Changed after the table filled");
    // With room for fewer than the built-ins, only that many are loaded and nothing is added.
    EXPECT_EQ(load("[Another]\n", 4), 4u);
    EXPECT_EQ(keys(), "agoranet amiganet anothernet cheesenet ");
}

TEST_F(ProfilesTest, MalformedLines) {
    load("DisplayName=before any header\r\n[agoranet]\r\n   ; DisplayName=commented\r\n#DisplayName=also commented\r\n\r\n"
         "[cheesenet\r\n"  // no "]": ignored, agoranet stays current
         "  DisplayName  =  Agora Two  \rTagPrefixes=AGN_|AG2_\n"
         "[]\r\nParser=Delimiter\r\n"  // a section with an empty name: a new profile with an empty key
         "[ Padded ]\nDisplayName=x\n[a]b]\nDisplayName=y\n");
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
    std::string ini = "[" + name + "]\nDisplayName=" + std::string(60, 'D') + "\n";
    for (const char* key : {"Delimiter", "FilenameAliases", "TagPrefixes", "TagSuffixes", "CommentPrefixes", "StripPrefixes"})
        ini += std::string(key) + "=" + std::string(300, key[0]) + "\n";
    // The whole name is compared: another name with the same first 39 characters is a profile of its own.
    ini += "[" + name + "X]\nGeneric=t\n";
    // Only the first 1023 characters of a line count; the rest is skipped, not read as a line.
    ini += "[fsxnet]\nDisplayName=" + std::string(1100, 'x') + "=[cheesenet]\nTagPrefixes=Q_\n";
    EXPECT_EQ(load(ini), 18u);
    EXPECT_EQ(dump(table.profiles[16]), std::string(39, 'N') + "|" + std::string(47, 'D') + "|1|0|" +
                                            std::string(15, 'D') + "|" + std::string(191, 'F') + "|" +
                                            std::string(127, 'T') + "|" + std::string(127, 'T') + "|" +
                                            std::string(63, 'C') + "|" + std::string(127, 'S') + "|0");
    EXPECT_EQ(dump(table.profiles[17]), std::string(39, 'N') + "|" + std::string(47, 'N') + "|1|0|||||##|#|;||1");
    EXPECT_EQ(table.profiles[6].tag_prefixes, "Q_");
    EXPECT_EQ(table.profiles[3].tag_prefixes, "CHEESE_");
}

// parser|column|generic of fidonet, which starts as 3|39|0.
TEST_F(ProfilesTest, NumericAndChoiceValues) {
    for (const auto& [lines, expected] : std::initializer_list<std::pair<const char*, const char*>>{
             {"Parser=DELIMITER", "2|39|0"}, {"Parser=auto", "0|39|0"}, {"Parser=Fixed Column", "1|39|0"},
             {"DescriptionColumn=abc", "3|0|0"}, {"DescriptionColumn=-5", "3|0|0"},
             {"DescriptionColumn=99999999999", "3|4294967295|0"}, {"Generic=1", "3|39|1"},
             {"Generic=1\nGeneric=on", "3|39|0"}, {"Generic=1\nGeneric=", "3|39|0"}}) {
        load(std::string("[fidonet]\n") + lines + "\n");
        const NetworkProfile& p = table.profiles[5];
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
