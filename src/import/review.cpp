#include "import/review.h"

#include "core/strings.h"
#include "import/area_list.h"
#include "spitfire/conference.h"

namespace marlinth {

const char* area_filter_name(int filter) {
    switch (filter) {
    case 1:
        return "Ready";
    case 2:
        return "Review";
    case 3:
        return "Errors";
    default:
        return "All";
    }
}

bool area_passes_filter(const ImportedArea& a, int filter) {
    switch (filter) {
    case 1:
        return !a.blocked && !a.needs_review;
    case 2:
        return !a.blocked && a.needs_review;
    case 3:
        return a.blocked;
    default:
        return true;
    }
}

bool set_area_name(AreaPreview& preview, int index, const std::string& text, TextBuffer* errors) {
    if (index < 0 || index >= preview.area_count()) {
        if (errors) errors->append_line("Select an imported echo first.");
        return false;
    }
    const std::string name = trimmed(bounded(text, 62));
    if (name.empty()) {
        if (errors) errors->append_line("The proposed conference name cannot be blank.");
        return false;
    }
    if (name.size() > 40) {
        if (errors) errors->append_line("Spitfire conference descriptions are limited to 40 characters.");
        return false;
    }
    ImportedArea& a = preview.areas[static_cast<size_t>(index)];
    a.proposed_name = name;
    a.sysop_edited = true;
    if (!a.blocked) a.needs_review = false;
    set_status_text(a);
    preview.recount();
    return true;
}

}  // namespace marlinth
