#include "module/counter_file.h"

#include "host/file_system.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace dru {

namespace {

// Reads every line "PORT;COUNTER;SERIAL" of the file into `into`; a line that
// does not read is skipped.
void Load(const std::string& path, InMemoryCounters& into) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t a = line.find(';');
        const std::size_t b = a == std::string::npos ? a : line.find(';', a + 1);
        if (b == std::string::npos) continue;
        const std::string number = line.substr(a + 1, b - a - 1);
        if (number.empty() || number.size() > 18 || number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        into.remember(line.substr(0, a), {std::stoll(number), line.substr(b + 1)});
    }
}

// A text fit for one field of a line: no separator, no line break.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ';' || c == '\r' || c == '\n') c = '_';
    return out;
}

}  // namespace

std::string CounterFile::path() const { return folder_ + "/" + std::string(kCounterFileName); }

std::optional<PrinterCounter> CounterFile::recall(std::string_view port) const {
    if (const auto mine = this_call_.recall(port)) return mine;
    InMemoryCounters file;
    Load(path(), file);
    return file.recall(port);
}

void CounterFile::remember(std::string_view port, const PrinterCounter& counter) {
    this_call_.remember(port, counter);
    // The other ports' lines as the file has them, this port's replaced.
    std::ifstream in(PathFromUtf8(path()), std::ios::binary);
    std::ostringstream out;
    const std::string key = CounterKey(port);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || CounterKey(line.substr(0, line.find(';'))) == key) continue;
        out << line << "\n";
    }
    in.close();
    out << Field(key) << ';' << counter.receipt << ';' << Field(counter.serial) << "\n";
    const std::string temporary = path() + ".tmp";
    {
        std::ofstream file(PathFromUtf8(temporary), std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file.flush()) return;  // a folder that takes no file: the memory of this call only
    }
    // Replaced in one step, as the module's other files are (Windows too).
    std::string reason;
    if (MoveOverFile(temporary, path(), reason)) return;
    std::error_code ignored;
    std::filesystem::remove(PathFromUtf8(temporary), ignored);
}

}  // namespace dru
