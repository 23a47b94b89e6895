// The one file sequence every transaction on the nodes' SFMCONF.DAT files follows, the append's
// and a restore's alike: a new timestamped directory, durable verified backups of every node, the
// image prepared, the journal, each node replaced and read back in order, and on the first
// failure every node given its earlier bytes back and read again. The caller then adds its result
// lines, and `finish_transaction` writes the record into the directory this transaction created
// and removes the journal once every node is settled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/platform.h"
#include "core/text_buffer.h"
#include "writer/journal.h"
#include "writer/node_swap.h"

namespace marlinth {

enum class TransactionOutcome { Refused, EarlyStop, Success, RollbackVerified, RollbackNotVerified };

// What a kind of transaction calls its steps in its report.
struct TransactionWords {
    JournalKind kind;
    const char* record;        // the record file in the transaction directory
    const char* replaced;      // before "i path" for every node replaced and read back
    const char* failure;       // before "i" when node i fails ...
    const char* failure_then;  // ... and after it, before the rollback
};
extern const TransactionWords kAppendWords;
extern const TransactionWords kRestoreWords;

// Fills `image` once the backups are safe (the append's staged file, written into `dir`); false
// at a failure, whose line is in the report.
using PrepareImage = std::function<bool(const std::string& dir, ByteBuffer& image, TextBuffer& report)>;

struct TransactionInputs {
    const TransactionWords& words;
    std::string backup_root;
    std::string journal_path;
    // Node 1 first: each node's SFMCONF.DAT and the bytes it was verified to hold.
    std::vector<NodeSwap> nodes;
    // The image every node gets: prepared in the transaction, or given (a restore's backup).
    PrepareImage prepare_image;
    const ByteBuffer* image = nullptr;
};

struct TransactionRun {
    TransactionOutcome outcome = TransactionOutcome::EarlyStop;
    bool dir_created = false;
    std::string dir;
    std::vector<NodeSwap> nodes;  // with each node's state at the end
    ByteBuffer image;  // a prepared image
    std::string nodes_not_original;  // "Node 2 (new bytes)"; empty unless some node is not settled
};

// Everything up to the rollback's last line; the outcome is never Refused.
TransactionRun run_transaction(Platform& platform, const TransactionInputs& in, TextBuffer& report);
// The record (the whole report) into the directory this transaction created, never another's;
// then the journal removed when every node is settled. Returns why a settled journal is still
// there, or empty.
std::string finish_transaction(Platform& platform, const TransactionInputs& in, const TransactionRun& run,
                               TextBuffer& report);

}  // namespace marlinth
