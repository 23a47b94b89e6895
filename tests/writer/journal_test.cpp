// The journal codec on literal text: what a journal must hold before the recovery acts on it, and
// the reason a damaged one is refused with (the start-up box shows it).
#include <gtest/gtest.h>

#include <string>

#include "core/version.h"
#include "writer/journal.h"

namespace marlinth {
namespace {

const std::string kHash = std::string(64, 'a');
const std::string kJournal =
    MARLINTH_NAMED_VERSION " TRANSACTION JOURNAL\r\n"
    "explanation under the title\r\n"
    "KIND=RESTORE\r\n"
    "TRANSACTION=C:\\B\\MARLINTH_20261205_103000\r\n"
    "NODES=2\r\n"
    "NODE=1\r\nFILE=C:\\SF\\SFMCONF.DAT\r\nBACKUP=C:\\B\\N1\r\nOLD=1280 " + kHash + "\r\nNEW=1408 " + kHash + "\r\n"
    "NODE=2\r\nFILE=C:\\SF2\\SFMCONF.DAT\r\nBACKUP=C:\\B\\N2\r\nOLD=1280 " + kHash + "\r\nNEW=1408 " + kHash + "\r\n"
    "END\r\n";

std::string edited(const std::string& from, const std::string& to) {
    std::string text = kJournal;
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(Journal, AWholeJournalReadsBackAndEveryDamageHasItsReason) {
    Journal j;
    std::string reason;
    ASSERT_TRUE(parse_journal(kJournal, j, reason)) << reason;
    EXPECT_EQ(j.kind, JournalKind::Restore);
    ASSERT_EQ(j.nodes.size(), 2u);
    EXPECT_EQ(j.nodes[1].file, "C:\\SF2\\SFMCONF.DAT");
    EXPECT_EQ(j.nodes[0].old_bytes.size, 1280u);
    EXPECT_EQ(j.nodes[0].new_bytes.digest[31], 0xAA);
    EXPECT_TRUE(parse_journal(journal_text(j), j, reason)) << reason;

    const struct { std::string text, reason; } damaged[] = {
        {"", "it does not start with its title line"},
        {edited("v" MARLINTH_VERSION, "v" MARLINTH_VERSION "x"), "it does not start with its title line"},
        {edited("KIND=RESTORE", "KIND=DELETE"), "unknown KIND (line 3)"},
        {edited("NODES=2", "NODES=33"), "bad NODES (line 5)"},
        {edited("NODES=2", "NODES=2x"), "bad NODES (line 5)"},
        {edited("NODE=2\r\n", "NODE=3\r\n"), "nodes out of order (line 11)"},
        {edited("BACKUP=C:\\B\\N2", "BACKUP="), "bad path (line 13)"},
        {edited("OLD=1280 " + kHash + "\r\nNEW=1408 " + kHash + "\r\nEND", "OLD=1280 abc\r\nEND"), "bad size or SHA-256 (line 14)"},
        {edited("NEW=1408", "NEW=99999999"), "bad size or SHA-256 (line 10)"},
        {edited("END\r\n", "END\r\nKIND=APPEND\r\n"), "text follows its END line (line 17)"},
        {edited("END\r\n", ""), "it has no END line"},
        {edited("NODES=2", "NODES=3"), "it is incomplete"},
        {edited("TRANSACTION=C:\\B\\MARLINTH_20261205_103000\r\n", ""), "it is incomplete"},
        {edited("FILE=C:\\SF\\SFMCONF.DAT\r\n", ""), "a node has no FILE or BACKUP"},
        {edited("NODES=2\r\n", "NODES=2\r\nstray text\r\n"), "unexpected line (line 6)"},
        {edited("explanation", std::string(5000, 'x')), "a line is too long (line 2)"},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.reason);
        Journal out;
        EXPECT_FALSE(parse_journal(d.text, out, reason));
        EXPECT_EQ(reason, d.reason);
    }
}

}  // namespace
}  // namespace marlinth
