// Undoing an interrupted transaction from what its journal recorded: every node not in its old
// state goes back to its backup, and the transaction's own record gains a RECOVERY section.
#pragma once

#include <string>
#include <vector>

#include "core/platform.h"
#include "core/text_buffer.h"
#include "writer/journal.h"
#include "writer/node_swap.h"

namespace marlinth {

// A report heading: the title and a rule of `rule` characters under it.
void append_heading(TextBuffer& report, const std::string& title, char rule);
// A file of the transaction directory, or empty when the path does not fit.
std::string transaction_file(const std::string& transaction_dir, const char* name);
// Appends a RECOVERY section to the transaction's own record (whole or absent, as before).
void add_recovery_section(Platform& platform, const Journal& journal, const std::string& section);
// Every node not in its old state goes back to its backup, after every needed backup has been
// checked against the journal. True when every node holds its old bytes afterwards.
bool undo_transaction(Platform& platform, const Journal& journal, const std::vector<NodeBytes>& states, TextBuffer& report);
// Once every node is settled: the staging files an interruption left between writing and renaming
// them (beside each node's SFMCONF.DAT, and the journal's own) are removed, each with its line.
void remove_staging_leftovers(Platform& platform, const Journal& journal, const std::string& journal_path, TextBuffer& report);

}  // namespace marlinth
