// Retries what a sysop's Windows box fails for a moment. An on-access antivirus scanner or the
// Indexing Service opens a freshly written file for a moment, and an open, copy, delete, rename
// or flush of it then fails with a sharing violation or access denied. Without retries one such
// blip during a commit means a full rollback. A call that the inner platform calls transient is
// tried again, with growing pauses (ten tries within about two seconds); a file that stays busy
// ends exactly as it would without the retries.
#pragma once

#include <array>
#include <memory>

#include "core/forwarding_platform.h"

namespace marlinth {

class RetryingPlatform final : public ForwardingPlatform {
public:
    // Pauses between the tries, in milliseconds: ten tries, 1.8 s in all.
    static constexpr std::array<uint32_t, 9> kPauses = {10, 20, 40, 80, 150, 250, 300, 400, 550};
    // Calls in a row that stayed "busy" through every try: then the cause is no scanner but, say,
    // a folder the sysop may not read, and later calls are tried once until one succeeds (an
    // inspection of thousands of such files would otherwise wait hours).
    static constexpr int kBusyInARowBeforeGivingUp = 3;

    using ForwardingPlatform::ForwardingPlatform;

    Handle open(const std::string& path, OpenMode mode) override;
    bool copy_file_no_overwrite(const std::string& source, const std::string& destination) override;
    bool delete_file(const std::string& path) override;
    bool rename_replace(const std::string& from, const std::string& to) override;
    bool flush_file(const std::string& path) override;

private:
    // Calls `attempt` until it succeeds, fails for good, or the pauses run out.
    template <typename Attempt>
    bool retried(Attempt attempt);

    int busy_in_a_row_ = 0;
};

}  // namespace marlinth
