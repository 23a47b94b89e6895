// The per-message checks of one conference over arbitrary .PTR and .IDX records. The first two
// bytes (little-endian) say how many of the rest are the .PTR file; the remainder is the .IDX.
#include "fuzz/memory_platform.h"
#include "spitfire/message_base.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t ptr_bytes = std::min<size_t>(get_u16(data), size - 2);
    const uint8_t* ptr = data + 2;
    const uint8_t* idx = ptr + ptr_bytes;
    const size_t idx_bytes = size - 2 - ptr_bytes;
    MemoryPlatform platform("none", {});
    MessageBaseResult result;
    check_message_records(platform, ptr, static_cast<uint32_t>(ptr_bytes / msg::kPtrRecord), idx,
                          static_cast<uint32_t>(idx_bytes / msg::kIdxRecord), result);
    return 0;
}
