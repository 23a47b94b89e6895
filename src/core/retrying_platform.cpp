#include "core/retrying_platform.h"

namespace marlinth {

template <typename Attempt>
bool RetryingPlatform::retried(Attempt attempt) {
    for (uint32_t pause_ms : kPauses) {
        if (attempt()) return busy_in_a_row_ = 0, true;
        if (!inner().last_failure_transient() || busy_in_a_row_ >= kBusyInARowBeforeGivingUp) return false;
        inner().pause(pause_ms);
    }
    if (attempt()) return busy_in_a_row_ = 0, true;
    ++busy_in_a_row_;
    return false;
}

Platform::Handle RetryingPlatform::open(const std::string& path, OpenMode mode) {
    Handle handle = kInvalidHandle;
    retried([&] { return (handle = ForwardingPlatform::open(path, mode)) != kInvalidHandle; });
    return handle;
}

bool RetryingPlatform::copy_file_no_overwrite(const std::string& source, const std::string& destination) {
    return retried([&] { return ForwardingPlatform::copy_file_no_overwrite(source, destination); });
}

bool RetryingPlatform::delete_file(const std::string& path) {
    return retried([&] { return ForwardingPlatform::delete_file(path); });
}

bool RetryingPlatform::rename_replace(const std::string& from, const std::string& to) {
    return retried([&] { return ForwardingPlatform::rename_replace(from, to); });
}

bool RetryingPlatform::flush_file(const std::string& path) {
    return retried([&] { return ForwardingPlatform::flush_file(path); });
}

}  // namespace marlinth
