// The transaction journal text; a journal that parses must read back the same from its own text.
#include <cstdlib>

#include "fuzz/memory_platform.h"
#include "writer/journal.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Journal journal;
    std::string reason;
    if (!parse_journal(as_text(data, size), journal, reason)) return 0;
    Journal again;
    if (!parse_journal(journal_text(journal), again, reason) || journal_text(again) != journal_text(journal)) std::abort();
    return 0;
}
