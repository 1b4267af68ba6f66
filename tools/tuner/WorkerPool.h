// The learnagents a tuner drives, each over its own learning link: local
// ones the tuner started, or ones started elsewhere (another machine, a job
// scheduler's node). A generation's vectors go to whichever worker is free;
// a worker that closes its link or does not answer in time is dropped and
// its vector handed to another one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "LearningLink.h"
#include "WorkerEndpoint.h"

class WorkerPool {
public:
    // Called as each episode's answer comes in: the index of the vector in
    // the batch, the line the worker sent, and the worker's name.
    using Done =
        std::function<void(std::size_t job, const std::string& reply, const std::string& worker)>;

    // `episodeTimeout`: seconds of wall time a worker may take for one
    // episode before it counts as hung. `log` gets the messages about
    // workers that are lost.
    WorkerPool(double episodeTimeout, std::ostream& log);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Connects to every endpoint, waiting at most `waitSeconds` in all for
    // them to listen. One that cannot be reached is reported and left out;
    // false when none could be.
    bool connect(const std::vector<WorkerEndpoint>& endpoints, double waitSeconds);

    // Runs the vectors (one line each) on the workers and fills `replies` in
    // the vectors' order, whatever order the answers come in. `firstEpisode`
    // numbers the vectors in messages. False when every worker is lost
    // before all have an answer (the answers in so far are in `replies`,
    // the others empty).
    bool run(const std::vector<std::string>& lines, int firstEpisode,
             std::vector<std::string>& replies, const Done& done = nullptr);

    std::size_t alive() const;
    // Closes every link; learnagent then stops by itself.
    void closeAll();

private:
    struct Worker {
        WorkerEndpoint endpoint;
        std::unique_ptr<LearningLink> link;
        long job = -1;  // the vector it runs, -1 when free
        std::chrono::steady_clock::time_point deadline;
    };

    // Closes the worker's link, stops it when this tuner started it, and
    // gives its vector back to `queue`.
    void drop(Worker& worker, const std::string& why, int firstEpisode,
              std::vector<std::size_t>& queue);

    double episodeTimeout;
    std::ostream& log;
    std::vector<Worker> workers;
};
