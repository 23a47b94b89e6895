#include "core/strings.h"
#include "spitfire/message_base.h"

namespace marlinth {

bool message_file_path(const std::string& message_dir, uint32_t number, MessageFile kind, std::string& out) {
    static const char* const kExtensions[kMessageFileKinds] = {".PTR", ".IDX", ".DAT", ".LMR", ".SIG"};
    return join_path(out, kPathCapacity, message_dir, "SFMSG" + dec2(number) + kExtensions[static_cast<int>(kind)]);
}

std::string files_column(const MessageBaseResult& result) {
    static const char kLetters[kMessageFileKinds] = {'P', 'I', 'D', 'L', 'S'};
    std::string out;
    for (int i = 0; i < kMessageFileKinds; ++i) out.push_back(result.present[i] ? kLetters[i] : '-');
    return out;
}

}  // namespace marlinth
