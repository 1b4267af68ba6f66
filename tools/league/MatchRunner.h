// Plays one match: fieldsim in lockstep and both teams' players, each in its
// own folder, joined in a fixed order so that the team meant for the left
// plays there, and the same seed plays the same match however busy the
// machine is. Runs in a process of its own (in the match's own network
// namespace where there is one), and leaves nothing running behind it.
#pragma once

#include <string>

#include "MatchPlan.h"

class MatchRunner {
public:
    // The port the agents always connect to.
    static constexpr unsigned short kAgentPort = 3100;

    explicit MatchRunner(const MatchPlan& plan) : plan_(plan) {}
    // False (and why) when the match could not be played to its end.
    bool run(std::string& error);

    // Sockets on local TCP `port` (of the caller's network) in `state` as the
    // system lists it ("0A" listening, "01" established), only those holding
    // bytes not read yet when `unreadOnly`; each connection counted once.
    static int socketsOnPort(unsigned short port, const std::string& state, bool unreadOnly);
    // fieldsim's console lines saying a robot joined a team.
    static int joinedLines(const std::string& console);

private:
    const MatchPlan& plan_;
};
