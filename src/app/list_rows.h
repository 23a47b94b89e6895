// The rows of the two report-style lists, typed to their columns: each column's title and width
// stand beside the field that fills it, so a row cannot drift from the columns the window shows.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace marlinth {

template <class Row>
struct Column {
    const char* title;
    int width;  // dialog pixels at 96 DPI
    std::string Row::*cell;
};

// One conference of the inspected file and its message base.
struct ConferenceRow {
    std::string number, description, net_id, access, post, files, active, deleted, danger, warn, status;
};
inline const std::array<Column<ConferenceRow>, 11> kConferenceColumns = {{
    {"#", 38, &ConferenceRow::number},
    {"Description", 240, &ConferenceRow::description},
    {"Net ID", 125, &ConferenceRow::net_id},
    {"Access", 62, &ConferenceRow::access},
    {"Post", 62, &ConferenceRow::post},
    {"Files", 55, &ConferenceRow::files},
    {"Active", 60, &ConferenceRow::active},
    {"Deleted", 62, &ConferenceRow::deleted},
    {"Danger", 58, &ConferenceRow::danger},
    {"Warn", 52, &ConferenceRow::warn},
    {"Status", 200, &ConferenceRow::status},
}};

// One area of the loaded .NA file.
struct AreaRow {
    std::string line, echo_tag, imported_description, proposed_name, conference, status, profile, template_number,
        access, post;
};
inline const std::array<Column<AreaRow>, 10> kAreaColumns = {{
    {"Line", 45, &AreaRow::line},
    {"Echo tag", 135, &AreaRow::echo_tag},
    {"Imported description", 280, &AreaRow::imported_description},
    {"Proposed Spitfire name", 245, &AreaRow::proposed_name},
    {"Conf", 45, &AreaRow::conference},
    {"Status", 180, &AreaRow::status},
    {"Profile", 105, &AreaRow::profile},
    {"Template", 62, &AreaRow::template_number},
    {"Access", 55, &AreaRow::access},
    {"Post", 50, &AreaRow::post},
}};

// The cells of every row in column order, as the view takes them.
template <class Row, size_t N>
std::vector<std::vector<std::string>> cells_of(const std::vector<Row>& rows, const std::array<Column<Row>, N>& columns) {
    std::vector<std::vector<std::string>> out;
    out.reserve(rows.size());
    for (const Row& row : rows) {
        std::vector<std::string> cells;
        cells.reserve(N);
        for (const Column<Row>& c : columns) cells.push_back(row.*c.cell);
        out.push_back(std::move(cells));
    }
    return out;
}

}  // namespace marlinth
