#include "etc/SkillParams.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace {

constexpr std::size_t kMaxNameLength = 64;

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool validName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.';
    });
}

// What a line shows of itself in a message: printable and short.
std::string shown(const std::string& word) {
    std::string out;
    for (char c : word.substr(0, 40)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return word.size() > 40 ? out + "..." : out;
}

bool readNumber(const std::string& word, double& out) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool readFile(const std::string& path, std::string& text, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot be opened";
        return false;
    }
    text.clear();
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > SkillParams::kMaxFileBytes) {
            why = "is larger than " + std::to_string(SkillParams::kMaxFileBytes) + " bytes";
            return false;
        }
    }
    return true;
}

}  // namespace

SkillParams* SkillParams::getUniqueInstance() {
    static SkillParams instance;
    return &instance;
}

std::map<std::string, double> SkillParams::parse(const std::string& text, std::vector<std::string>& problems) {
    std::map<std::string, double> values;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string name, value;
        if (!(words >> name) || name[0] == '#') continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!validName(name)) {
            problems.push_back(where + "'" + shown(name) + "' is not a parameter name");
            continue;
        }
        double v = 0.0;
        if (!(words >> value) || !readNumber(value, v)) {
            problems.push_back(where + shown(name) + " has no finite number after it");
            continue;
        }
        if (values.count(name)) problems.push_back(where + name + " is given twice; the later value is used");
        values[name] = v;
    }
    return values;
}

bool SkillParams::loadDirectory(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        std::cerr << "skill parameters: cannot read the folder " << dir << "\n";
        return false;
    }
    std::vector<std::string> files;
    while (const dirent* entry = ::readdir(d)) {
        const std::string file = entry->d_name;
        const std::size_t suffix = std::string(kSuffix).size();
        if (file.size() > suffix && file.compare(file.size() - suffix, suffix, kSuffix) == 0) {
            files.push_back(file);
        }
    }
    ::closedir(d);
    std::sort(files.begin(), files.end());  // the same messages in the same order on every machine

    std::map<std::string, std::map<std::string, double>> loaded;
    for (const std::string& file : files) {
        const std::string skill = file.substr(0, file.size() - std::string(kSuffix).size());
        const std::string path = dir + "/" + file;
        if (!validName(skill)) {
            std::cerr << "skill parameters: " << shown(path) << " is not named after a skill; skipped\n";
            continue;
        }
        std::string text, why;
        if (!readFile(path, text, why)) {
            std::cerr << "skill parameters: " << path << " " << why << "; the " << skill
                      << " skill keeps its design values\n";
            continue;
        }
        std::vector<std::string> problems;
        loaded[skill] = parse(text, problems);
        for (const std::string& p : problems) std::cerr << "skill parameters: " << path << " " << p << "\n";
    }
    skills_ = std::move(loaded);
    unknownReported_.clear();
    source_ = dir;
    return true;
}

std::vector<std::string> SkillParams::defaultDirectories(const std::string& programDir) {
    std::vector<std::string> dirs{kDirName};
    if (!programDir.empty()) dirs.push_back(programDir + "/" + kDirName);
    return dirs;
}

std::string SkillParams::programDirectory(const char* argv0) {
    std::vector<char> path(PATH_MAX + 1, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), PATH_MAX);
    const std::string self = n > 0 ? std::string(path.data(), static_cast<std::size_t>(n))
                                   : std::string(argv0 != nullptr ? argv0 : "");
    const std::size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

void SkillParams::configure(bool designOnly, const std::string& dir, const std::string& programDir) {
    clear();
    if (designOnly) return;
    if (!dir.empty()) {
        if (!loadDirectory(dir)) std::cerr << "skill parameters: the skills use their design values\n";
        return;
    }
    for (const std::string& candidate : defaultDirectories(programDir)) {
        if (isDirectory(candidate)) {
            loadDirectory(candidate);
            return;
        }
    }
    std::cerr << "skill parameters: no " << kDirName << " folder here or beside the program; the skills use "
              << "their design values\n";
}

std::vector<double> SkillParams::values(const std::string& skill, const std::vector<Param>& params) {
    std::vector<double> out;
    out.reserve(params.size());
    const auto found = skills_.find(skill);
    for (const Param& p : params) {
        double v = p.designValue;
        if (found != skills_.end()) {
            const auto it = found->second.find(p.name);
            if (it != found->second.end()) v = it->second;
        }
        out.push_back(v);
    }
    if (found != skills_.end() && !unknownReported_[skill]) {
        unknownReported_[skill] = true;
        std::set<std::string> known;
        for (const Param& p : params) known.insert(p.name);
        for (const auto& [name, v] : found->second) {
            if (!known.count(name)) {
                std::cerr << "skill parameters: the " << skill << " skill has no value named " << name
                          << "; it is ignored\n";
            }
        }
    }
    return out;
}

double SkillParams::value(const std::string& skill, const char* name, double designValue) {
    const auto found = skills_.find(skill);
    if (found == skills_.end()) return designValue;
    const auto it = found->second.find(name);
    return it == found->second.end() ? designValue : it->second;
}

void SkillParams::set(const std::string& skill, const std::string& name, double value) {
    skills_[skill][name] = value;
}

void SkillParams::clear() {
    skills_.clear();
    unknownReported_.clear();
    source_ = "design values";
}
