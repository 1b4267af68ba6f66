// The replay's answers to the monitor page and to scripts: the state drawn at
// a time (truth and beliefs), frames in batches for smooth playing, and the
// index the page's timeline is made from (play-mode changes, goals, each
// player's position error over the game, and what loading skipped).
//
//   /state?t=SECONDS    the state drawn at that server time (also ?cycle=N)
//   /replay/index       the timeline, the players and the notes
//   /replay/states?from=I&count=N
//                       frames I .. I+N-1 (at most kMaxBatch)
#pragma once

#include <cstddef>
#include <string>

#include "monitor/MonitorServer.h"
#include "replay/ReplayRecording.h"

class ReplayService {
public:
    static constexpr size_t kMaxBatch = 1000;
    // Points per player in the error plot; where the game has more cycles,
    // each point is the largest error of its stretch, so no spike is lost.
    static constexpr size_t kPlotPoints = 1500;
    static constexpr size_t kMaxMarks = 2000;

    explicit ReplayService(const ReplayRecording& recording, double loadSeconds = 0.0);

    // For MonitorServer::setHandler: true when the path is one of the above.
    bool answer(const MonitorRequest& request, MonitorReply& reply) const;

    std::string stateJson(size_t frame) const;
    std::string statesJson(size_t from, size_t count) const;
    const std::string& indexJson() const { return index_; }

private:
    void buildIndex(double loadSeconds);

    const ReplayRecording& recording_;
    std::string index_;
};
