#include "tosser_support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tosser/parser.h"

namespace marlinth::test {

std::string put_var(std::string text, const std::string& name, const std::string& value) {
    const std::string key = "${" + name + "}";
    for (size_t pos = text.find(key); pos != std::string::npos; pos = text.find(key, pos + value.size()))
        text.replace(pos, key.size(), value);
    return text;
}

std::string crlf(const std::string& lf_text) {
    std::string out;
    for (char c : lf_text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

const char* const kGlobals =
    "CONFDIR /bbs/sf\r\nWORKDIR /bbs/q/work\r\nMSGDIR /bbs/msg\r\nKEEPPROCESSED yes\r\nPROCESSEDDIR /bbs/q/done\r\n";

std::string named_link(const std::string& name, const std::string& address, const std::string& hub,
                       const std::string& outdir, const std::string& zone) {
    return "[LINK " + name + "]\r\nADDRESS " + address + "\r\nHUB " + hub + "\r\nOUTDIR " + outdir +
           "\r\nNETMAILZONE " + zone + "\r\n";
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

CfgParse::CfgParse()
    : platform_(make_native_platform()), path_(dir_ / "QUARRO32.CFG"), config_(std::make_unique<TosserConfig>()),
      report_(TextBuffer::create()) {}

bool CfgParse::run(const std::string& bytes) {
    write_bytes(path_, bytes);
    return run_file(path_);
}

bool CfgParse::run_file(const std::string& path) {
    return parse_tosser_config(*platform_, path, *config_, report_.get(), nullptr);
}

std::string CfgParse::neutral_report() const {
    std::string text = report_->str();
    for (size_t pos = text.find(path_); pos != std::string::npos; pos = text.find(path_, pos))
        text.replace(pos, path_.size(), "${PATH}");
    return text;
}

std::vector<std::string> CfgParse::diagnostics() const {
    std::vector<std::string> out;
    for (const std::string& line : crlf_lines(report_->str()))
        if (line.rfind("ERROR", 0) == 0 || line.rfind("WARNING", 0) == 0) out.push_back(line);
    return out;
}

}  // namespace marlinth::test
