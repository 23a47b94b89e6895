// Marlinth.cfg text into a setup.
#include "core/config.h"
#include "fuzz/memory_platform.h"

using namespace marlinth;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxConfigBytes) return 0;  // the loader refuses larger files before parsing
    SetupState setup = parse_configuration(as_text(data, size));
    apply_default_backup_root(setup);
    configuration_text(setup);
    return 0;
}
