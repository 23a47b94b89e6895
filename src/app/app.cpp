#include "app/app.h"

#include "core/strings.h"

namespace marlinth {

bool App::allocate_buffers() {
    report = TextBuffer::create();
    log = TextBuffer::create();
    scratch = TextBuffer::create();
    log_line = TextBuffer::create();
    plan_text = TextBuffer::create();
    writer = TextBuffer::create();
    if (!report || !log || !scratch || !log_line || !plan_text || !writer) return false;
    for (TextBuffer* b : {report.get(), log.get(), scratch.get(), log_line.get(), plan_text.get(), writer.get()}) b->reset();
    return true;
}

void App::set_program_dir(const std::string& dir) {
    files.program_dir = dir.empty() ? "." : dir;
    join_path(files.config_path, kPathCapacity, files.program_dir, "Marlinth.cfg");
    join_path(files.log_path, kPathCapacity, files.program_dir, "Marlinth.log");
    join_path(files.profiles_path, kPathCapacity, files.program_dir, "Marlinth-profiles.ini");
    join_path(files.journal_path, kPathCapacity, files.program_dir, "Marlinth.journal");
}

}  // namespace marlinth
