// Marlinth-profiles.ini over the built-in network profiles.
#include "fuzz/memory_platform.h"
#include "import/profiles.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryPlatform platform("Marlinth-profiles.ini", as_text(data, size));
    ProfileTable table;
    load_network_profiles(platform, platform.path(), table, kProfileCapacity);
    return 0;
}
