#include "replay/ReplayRecording.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "replay/TruthLogReader.h"

namespace fs = std::filesystem;

namespace {

// N from a player folder's name "pN", 0 when it is not one.
int playerNumber(const std::string& name) {
    if (name.size() < 2 || name.size() > 3 || name[0] != 'p') return 0;
    for (size_t i = 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
    }
    return std::atoi(name.c_str() + 1);
}

// Subfolders of `dir` by name, sorted, so that the order never depends on the file system.
std::vector<std::string> subfolders(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

bool ReplayRecording::load(const std::string& path, std::string& error) {
    frames_.clear();
    tracks_.clear();
    trackIndex_.clear();
    notes_.clear();
    std::error_code ec;
    fs::path truth = path;
    if (fs::is_directory(truth, ec)) {
        folder_ = path;
        truth /= kTruthFile;
    } else {
        folder_ = truth.parent_path().empty() ? std::string(".") : truth.parent_path().string();
    }
    if (!fs::exists(truth, ec)) {
        error = "no truth log at " + truth.string() + " (fieldsim --truth writes one; scripts/run.sh keeps it in run/)";
        return false;
    }
    if (!TruthLogReader::read(truth.string(), frames_, notes_, error)) return false;
    findBeliefs();
    return true;
}

void ReplayRecording::findBeliefs() {
    // The side each team played on, and which numbers it had, by the truth log.
    std::map<std::string, bool> teamOnRight;
    std::map<std::pair<std::string, int>, bool> players;
    for (const ReplayFrame& f : frames_) {
        for (const ReplayRobot& r : f.robots) {
            teamOnRight.emplace(r.team, r.right);
            players.emplace(std::make_pair(r.team, r.unum), true);
        }
    }
    int traces = 0;
    for (const std::string& team : subfolders(folder_)) {
        for (const std::string& player : subfolders(fs::path(folder_) / team)) {
            const int unum = playerNumber(player);
            if (unum == 0) continue;
            const fs::path dir = fs::path(folder_) / team / player;
            const std::string label = team + "/" + player + "/" + kBeliefFile;
            std::error_code ec;
            if (!fs::exists(dir / kBeliefFile, ec)) {
                if (fs::exists(dir / "Msg.txt", ec)) {
                    ++traces;
                    notes_.push_back(team + "/" + player + " has a Msg.txt but no " + kBeliefFile +
                                     " (wmtrace makes it); only its truth is shown");
                }
                continue;
            }
            const auto side = teamOnRight.find(team);
            if (side == teamOnRight.end()) {
                notes_.push_back(label + ": the truth log has no team " + team + "; not shown");
                continue;
            }
            if (!players.count({team, unum})) {
                notes_.push_back(label + ": the truth log has no player " + std::to_string(unum) + " of " + team +
                                 "; not shown");
                continue;
            }
            if (tracks_.size() >= kMaxTracks) {
                notes_.push_back(label + ": more than " + std::to_string(kMaxTracks) + " belief files; not shown");
                continue;
            }
            BeliefTrack track;
            track.team = team;
            track.unum = unum;
            track.file = label;
            if (BeliefCsvReader::read((dir / kBeliefFile).string(), side->second, track, notes_)) {
                trackIndex_[{team, unum}] = tracks_.size();
                tracks_.push_back(std::move(track));
            }
        }
    }
    if (tracks_.empty() && traces == 0) {
        notes_.push_back("no beliefs in " + folder_ + " (TEAM/pN/" + kBeliefFile +
                         ", which PROGRAM=agent ./scripts/run.sh leaves); only the truth is shown");
    }
}

size_t ReplayRecording::frameAt(double time) const {
    const auto it = std::upper_bound(frames_.begin(), frames_.end(), time + 1e-6,
                                     [](double t, const ReplayFrame& f) { return t < f.time; });
    return it == frames_.begin() ? 0 : static_cast<size_t>(it - frames_.begin()) - 1;
}

bool ReplayRecording::frameOfCycle(long long cycle, size_t& index) const {
    const auto it = std::lower_bound(frames_.begin(), frames_.end(), cycle,
                                     [](const ReplayFrame& f, long long c) { return f.cycle < c; });
    if (it == frames_.end() || it->cycle != cycle) return false;
    index = static_cast<size_t>(it - frames_.begin());
    return true;
}

const BeliefTrack* ReplayRecording::trackOf(const std::string& team, int unum) const {
    const auto it = trackIndex_.find({team, unum});
    return it == trackIndex_.end() ? nullptr : &tracks_[it->second];
}
