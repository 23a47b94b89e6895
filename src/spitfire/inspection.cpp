#include "spitfire/inspection.h"

#include "core/strings.h"

namespace marlinth {

bool is_process_running(Platform& platform, const std::string& name) {
    std::vector<std::string> names;
    if (!platform.process_names(names)) return false;
    for (const std::string& n : names)
        if (equals_nocase(n, name)) return true;
    return false;
}

void choose_template_candidates(const std::vector<ConferenceView>& views, std::vector<TemplateCandidate>& candidates,
                                int& preselected) {
    candidates.clear();
    preselected = -1;
    auto offer = [&](size_t i) {
        candidates.push_back({static_cast<int>(i), "#" + dec(views[i].number) + " - " + views[i].name});
    };
    for (size_t i = 0; i < views.size(); ++i)
        if (views[i].allow_routing != 0 && !views[i].net_id.empty()) offer(i);
    if (candidates.empty())
        for (size_t i = 0; i < views.size(); ++i) offer(i);
    const int common = most_common_echo_like(views);
    for (size_t pos = 0; pos < candidates.size(); ++pos)
        if (candidates[pos].index == common) preselected = static_cast<int>(pos);
}

}  // namespace marlinth
