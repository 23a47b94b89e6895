// A transaction that a crash or a power cut interrupted, found from its journal at the next start.
// The domain reads the journal, measures every node against it and gives a verdict: the
// transaction had finished, no node had been changed, it must be undone, or the journal cannot be
// read. The first two are settled at once; an undo waits for the sysop's Yes, checks that nothing
// runs, then puts every node not in its old state back from its verified backup. Every way ends
// in a record: a RECOVERY section of the transaction's own record, or RECOVERY.txt beside it.
#pragma once

#include <string>
#include <vector>

#include "core/config.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "writer/journal.h"
#include "writer/node_swap.h"

namespace marlinth {

// A report heading: the title and a rule of `rule` characters under it.
void append_heading(TextBuffer& report, const std::string& title, char rule);

enum class RecoveryVerdict { CannotRead, Finished, NothingChanged, UndoNeeded };

struct InterruptedTransaction {
    RecoveryVerdict verdict = RecoveryVerdict::CannotRead;
    Journal journal;     // its transaction directory may be known even when the rest is not
    std::string reason;  // why the journal cannot be used, when the parse said
    std::vector<NodeBytes> states;  // node 1 first
    std::string not_old;            // "Node 2 (new bytes), Node 3 (missing)"
    size_t section_start = 0;       // where the report's own lines start, after its heading
    const char* kind() const { return journal.kind == JournalKind::Append ? "append" : "restore"; }
};

// The report's heading, the journal read and every node measured against it.
InterruptedTransaction assess_interrupted_transaction(Platform& platform, const std::string& journal_path,
                                                      TextBuffer& report);
// A transaction found Finished or NothingChanged: its result line, the staging files the
// interruption left removed, its record, and the journal removed. Returns why the journal is still
// there, or empty.
std::string settle_interrupted_transaction(Platform& platform, const InterruptedTransaction& found,
                                           const std::string& journal_path, TextBuffer& report);

enum class UndoOutcome { NotStarted, Restored, NotRestored };
struct UndoResult {
    UndoOutcome outcome = UndoOutcome::NotStarted;
    std::string journal_not_removed;
};
// After the sysop's Yes: nothing may run on the nodes the journal names; then every node not in its
// old state goes back to its backup, each backup first checked against the journal. The journal
// stays unless every node holds its old bytes.
UndoResult undo_interrupted_transaction(Platform& platform, const SetupState& setup, const InterruptedTransaction& found,
                                        const std::string& journal_path, TextBuffer& report);
// The sysop said No: the journal stays, and so does the block on every write.
void note_recovery_postponed(TextBuffer& report);

}  // namespace marlinth
