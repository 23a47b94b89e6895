#include "writer/preflight.h"

#include <memory>

#include "core/files.h"
#include "core/strings.h"
#include "spitfire/inspection.h"
#include "tosser/links.h"

namespace marlinth {

namespace {

constexpr uint32_t kMaxWhosonBytes = 24576;
constexpr const char* kProbeName = "Marlinth-write-test.tmp";

bool any_irex_running(Platform& platform) {
    for (const char* name : {"IREX.EXE", "IREX32.EXE", "IREXW32.EXE", "REXW.EXE", "I-REX.EXE"})
        if (is_process_running(platform, name)) return true;
    return false;
}

}  // namespace

bool check_node_occupancy(Platform& platform, const SetupState& setup, TextBuffer& w, TextBuffer* scratch) {
    std::string path;
    if (setup.use_quarro && !setup.quarro_cfg_path.empty()) {
        // The parser's diagnostics go to `scratch`, unless that is this report.
        std::unique_ptr<TextBuffer> own;
        TextBuffer* diagnostics = scratch;
        if (diagnostics == &w) {
            own = TextBuffer::create();
            diagnostics = own.get();
        }
        if (diagnostics) diagnostics->reset();
        std::string workdir;
        if (!resolve_tosser_paths(platform, setup.quarro_cfg_path, nullptr, 0, nullptr, 0, &workdir,
                                  kPathCapacity, diagnostics)) {
            w.append_line("ERROR: Unable to resolve QUARRO32 WORKDIR from " + setup.quarro_cfg_path);
            if (diagnostics) w.append(diagnostics->view());
            return false;
        }
        if (!join_path(path, kPathCapacity, workdir, "SFWHOSON.DAT")) {
            w.append_line("ERROR: QUARRO32 WORKDIR\\SFWHOSON.DAT path is too long; cannot prove that Spitfire nodes are idle.");
            return false;
        }
        w.append_line("INFO: Spitfire node-status file (QUARRO32 WORKDIR): " + path);
    } else {
        std::string work;
        if (!join_path(work, kPathCapacity, setup.nodes.dir[1], "WORK") ||
            !join_path(path, kPathCapacity, work, "SFWHOSON.DAT")) {
            w.append_line("ERROR: Default Node 1 WORK\\SFWHOSON.DAT path is too long; cannot prove that Spitfire nodes are idle.");
            return false;
        }
        w.append_line("INFO: Spitfire node-status file (default Node 1 WORK): " + path);
    }
    ByteBuffer bytes;
    if (!read_file_capped(platform, path, bytes, kMaxWhosonBytes, &w)) {
        w.append_line("ERROR: Unable to validate Spitfire node status from " + path);
        return false;
    }
    if (bytes.size() == 0 || bytes.size() % 6 != 0) {
        w.append_line("ERROR: SFWHOSON.DAT has invalid size " + dec(bytes.size()) +
                      "; expected a nonzero multiple of 6 bytes.");
        return false;
    }
    const uint32_t records = bytes.size() / 6;
    uint32_t occupied = 0;
    for (uint32_t k = 0; k < records; ++k) {
        const uint8_t* r = bytes.data() + k * 6;
        const int16_t user = static_cast<int16_t>(r[0] | (r[1] << 8));
        if (user < 0) continue;
        ++occupied;
        w.append("ERROR: Node " + dec(k + 1) + " is occupied by UserNo " + sdec(user) + " (Mode=0x");
        w.append_hex_byte(r[2]);
        w.append_line(").");
    }
    if (occupied > 0) {
        w.append_line("ERROR: SFWHOSON.DAT reports " + dec(occupied) +
                      " occupied node record(s). Shut down every Spitfire node before writing.");
        return false;
    }
    w.append_line("PASS: SFWHOSON.DAT node check: " + dec(records) + " record(s); no occupied Spitfire callers found.");
    w.append_line("NOTICE: SFWHOSON.DAT cannot prove that idle Spitfire node processes are closed. Manually close every "
                  "node window before commit.");
    return true;
}

bool check_processes_and_busy_flag(Platform& p, const std::string& message_dir, TextBuffer& w) {
    if (is_process_running(p, "NTVDM.EXE"))
        w.append_line("INFO: NTVDM.EXE is running; SFWHOSON.DAT is authoritative for actual Spitfire node occupancy.");
    else
        w.append_line("INFO: NTVDM.EXE is not running; SFWHOSON.DAT remains the authoritative Spitfire node check.");
    bool ok = true;
    if (is_process_running(p, "QUARRO32.EXE")) {
        w.append_line("ERROR: QUARRO32.EXE is running. Shut down the tosser.");
        ok = false;
    } else {
        w.append_line("PASS: QUARRO32.EXE is not running.");
    }
    if (any_irex_running(p)) {
        w.append_line("ERROR: A known iREX process is running. Shut down the external mailer before changing conference "
                      "configuration.");
        ok = false;
    } else {
        w.append_line("NOTICE: No known iREX process name was detected. This does not prove that another external "
                      "mailer is stopped; manually stop every mailer/tosser before commit.");
    }
    std::string busy;
    if (!join_path(busy, kPathCapacity, message_dir, "QUARRO.BSY")) {
        w.append_line("ERROR: QUARRO.BSY path is too long; cannot prove that no toss/scan transaction is active.");
        return false;
    }
    if (is_file(p, busy)) {
        w.append_line("ERROR: QUARRO.BSY exists: " + busy);
        w.append_line("       Confirm no QUARRO32 process is running before treating it as stale.");
        return false;
    }
    w.append_line("PASS: QUARRO.BSY is absent.");
    return ok;
}

bool check_backup_root(Platform& p, const SetupState& setup, const std::string& program_dir, TextBuffer& w) {
    const std::string& root = setup.backup_root;
    if (root.empty()) {
        w.append_line("ERROR: Select a backup root directory.");
        return false;
    }
    for (int i = 1; i <= setup.nodes.count && i <= kMaxNodes; ++i) {
        if (!paths_are_separate(p, root, setup.nodes.dir[i])) {
            w.append_line("ERROR: Backup root must be separate from Node " + dec(static_cast<uint64_t>(i)) +
                          " and may not contain or be contained by it.");
            return false;
        }
    }
    if (!paths_are_separate(p, root, setup.message_dir)) {
        w.append_line("ERROR: Backup root must be separate from the shared MESSAGE directory.");
        return false;
    }
    if (!paths_are_separate(p, root, program_dir)) {
        w.append_line("ERROR: Backup root must be separate from the Marlinth program directory.");
        return false;
    }
    if (!ensure_directory(p, root, &w)) return false;
    std::string probe;
    if (!join_path(probe, kPathCapacity, root, kProbeName)) {
        w.append_line("ERROR: Backup-root probe path is too long.");
        return false;
    }
    static const uint8_t kProbeBytes[4] = {'M', 'R', 'L', '3'};
    const bool probed = delete_temp_file(p, probe, &w) && write_file_durable_new(p, probe, kProbeBytes, 4, &w) &&
                        verify_file_bytes(p, probe, kProbeBytes, 4, &w) && delete_temp_file(p, probe, &w);
    if (!probed) {
        delete_temp_file(p, probe, nullptr);  // never leave a half-made probe behind
        w.append_line("ERROR: Backup root failed its create/write/verify/delete probe.");
        return false;
    }
    w.append_line("PASS: Backup root is separate and writable: " + root);
    return true;
}

}  // namespace marlinth
