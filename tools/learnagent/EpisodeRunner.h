// Runs every episode in a process of its own, forked from a parent that
// never runs one: each episode starts from the same state of every
// process-wide object (world model, fall detector, the skills), so what an
// episode scores depends on its vector alone, not on the episodes a worker
// happened to run before. The tuner's promise that a seed gives the same run
// whatever the number of workers rests on this.
//
// The parent holds the optimiser's link. For each vector it forks a child,
// which makes the learner with a link to the parent in place of the
// optimiser's, runs one episode against a fresh simulator as learnagent
// always did, and sends its fitness; the parent passes it on and closes the
// child's link, on which the child ends, its simulator with it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "LearnAgentOptions.h"

class Communicator;

class EpisodeRunner {
public:
    EpisodeRunner(const LearnAgentOptions& options, std::string programPath);

    // Until the optimiser closes its link: 0 then; 1 when an episode ended
    // without a fitness (its simulator went away, the child crashed).
    int run(Communicator& optimiser);

    // For a signal handler: passes the signal to the episode running.
    static void stopRunningEpisode(int signal);

private:
    // In the child: one episode with a link to the parent on `port`.
    int runEpisode(unsigned episode, unsigned port);

    LearnAgentOptions options;
    std::string programPath;
};
