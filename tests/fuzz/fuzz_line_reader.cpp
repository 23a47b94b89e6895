// Line splitting at small limits in both long-line modes; every line must lie inside the input.
#include <cstdlib>

#include "core/line_reader.h"
#include "fuzz/memory_platform.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = as_text(data, size);
    for (size_t limit : {1, 7, 511}) {
        for (auto mode : {LineReader::LongLines::SplitRemainder, LineReader::LongLines::SkipRest}) {
            LineReader reader(text, limit, mode);
            TextLine line;
            size_t lines = 0;
            while (reader.next(line)) {
                const bool inside = line.text.empty() || (line.text.data() >= text.data() &&
                                                          line.text.data() + line.text.size() <= text.data() + text.size());
                if (line.text.size() > limit || !inside || ++lines > size + 1) std::abort();
            }
        }
    }
    return 0;
}
