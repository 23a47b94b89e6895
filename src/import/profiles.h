// Network profiles: how one FTN network's .NA area list is laid out and recognised.
// Sixteen are built in; Marlinth-profiles.ini beside the program can change them or add more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"

namespace marlinth {

enum class ParserLayout : uint32_t { Auto = 0, Whitespace = 1, Delimiter = 2, FixedColumn = 3 };

struct NetworkProfile {
    std::string key;                // at most 39
    std::string display_name;       // at most 47
    uint32_t parser = 1;            // a ParserLayout value (other values read as Auto)
    uint32_t description_column = 0;
    std::string delimiter;          // at most 15; empty means "-"
    std::string filename_aliases;   // at most 191
    std::string tag_prefixes;       // at most 127
    std::string tag_suffixes;       // at most 127
    std::string comment_prefixes;   // at most 63; empty means "##|#|;"
    std::string strip_prefixes;     // at most 127
    uint32_t generic = 0;
};

constexpr size_t kProfileCapacity = 32;
constexpr size_t kBuiltinProfiles = 16;
// A profiles file larger than this is not read: the built-in profiles alone are loaded.
constexpr uint32_t kMaxProfilesFileBytes = 524288;

struct ProfileTable {
    std::vector<NetworkProfile> profiles;  // slot order; at most the capacity given at load
    size_t count() const { return profiles.size(); }
};

void init_network_profile(NetworkProfile& slot, std::string_view key, std::string_view display_name, ParserLayout parser,
                          uint32_t description_column, std::string_view delimiter, std::string_view filename_aliases,
                          std::string_view tag_prefixes, std::string_view tag_suffixes, std::string_view comment_prefixes,
                          std::string_view strip_prefixes, uint32_t generic);
size_t load_network_profiles(Platform& platform, const std::string& path, ProfileTable& table, size_t capacity);
std::string layout_display_name(uint32_t layout);
bool matches_prefix_list(std::string_view list, std::string_view subject);
// The tokens of a "|"-separated list: cut at `max_token`, trimmed, empty ones skipped.
std::vector<std::string> list_tokens(std::string_view list, size_t max_token = 127);

}  // namespace marlinth
