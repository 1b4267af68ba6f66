// A recorded game as the replay serves it: the truth log's frames, indexed by
// time and cycle, and what each player believed, where a run folder holds its
// beliefs (TEAM/pN/beliefs.csv beside truth.jsonl, as scripts/run.sh leaves
// them). Everything is read once, at start; a seek is then a binary search.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "replay/BeliefTrack.h"
#include "replay/ReplayFrame.h"

class ReplayRecording {
public:
    static constexpr const char* kTruthFile = "truth.jsonl";
    static constexpr const char* kBeliefFile = "beliefs.csv";
    // Two teams of eleven.
    static constexpr size_t kMaxTracks = 22;

    // `path` is a run folder, or a truth log whose folder holds the players'
    // folders. False, with `error`, when there is nothing to play; what was
    // skipped along the way is in notes().
    bool load(const std::string& path, std::string& error);

    const std::vector<ReplayFrame>& frames() const { return frames_; }
    const std::vector<BeliefTrack>& tracks() const { return tracks_; }
    const std::vector<std::string>& notes() const { return notes_; }
    const std::string& folder() const { return folder_; }

    // The frame shown at server time `time`: the last one at or before it
    // (the first one before the recording starts).
    size_t frameAt(double time) const;
    // The frame of `cycle`; false when the log has none.
    bool frameOfCycle(long long cycle, size_t& index) const;
    // The beliefs of a team's player; nullptr when there are none.
    const BeliefTrack* trackOf(const std::string& team, int unum) const;

private:
    void findBeliefs();

    std::string folder_;
    std::vector<ReplayFrame> frames_;
    std::vector<BeliefTrack> tracks_;
    std::map<std::pair<std::string, int>, size_t> trackIndex_;
    std::vector<std::string> notes_;
};
