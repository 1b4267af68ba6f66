#include "WorkerPool.h"

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Longest single wait in poll(), so that deadlines are looked at often.
constexpr int kPollLimitMs = 1000;

}  // namespace

bool WorkerPool::connect(const std::vector<WorkerEndpoint>& endpoints, double waitSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(waitSeconds * 1000));
    for (const WorkerEndpoint& endpoint : endpoints) {
        const double left = std::max(
            0.0,
            std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count());
        auto link = std::make_unique<LearningLink>();
        std::string error;
        if (!link->connectTo(endpoint.host, endpoint.port, left, error)) {
            log << "tuner: worker " << endpoint.name() << " left out: " << error << std::endl;
            if (endpoint.pid > 0) ::kill(endpoint.pid, SIGTERM);
            continue;
        }
        Worker worker;
        worker.endpoint = endpoint;
        worker.link = std::move(link);
        workers.push_back(std::move(worker));
    }
    return !workers.empty();
}

WorkerPool::WorkerPool(double episodeTimeout, std::ostream& log)
    : episodeTimeout(episodeTimeout), log(log) {}

std::size_t WorkerPool::alive() const {
    return static_cast<std::size_t>(std::count_if(
        workers.begin(), workers.end(), [](const Worker& w) { return w.link != nullptr; }));
}

void WorkerPool::closeAll() {
    for (Worker& w : workers) {
        if (w.link) w.link->close();
        w.link.reset();
        w.job = -1;
    }
}

void WorkerPool::drop(Worker& worker, const std::string& why, int firstEpisode,
                      std::vector<std::size_t>& queue) {
    const long job = worker.job;
    log << "tuner: worker " << worker.endpoint.name() << " " << why << " in episode "
        << firstEpisode + job << "; ";
    worker.link->close();
    worker.link.reset();
    worker.job = -1;
    if (worker.endpoint.pid > 0) ::kill(worker.endpoint.pid, SIGTERM);
    const std::size_t left = alive();
    if (left > 0) {
        log << "its vector goes to another worker (" << left << " left)" << std::endl;
    } else {
        log << "no worker is left" << std::endl;
    }
    // First in line again, so the generation's vectors keep their order.
    queue.insert(queue.begin(), static_cast<std::size_t>(job));
}

bool WorkerPool::run(const std::vector<std::string>& lines, int firstEpisode,
                     std::vector<std::string>& replies, const Done& done) {
    replies.assign(lines.size(), "");
    std::vector<std::size_t> queue;
    for (std::size_t i = 0; i < lines.size(); ++i) queue.push_back(i);
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(episodeTimeout * 1000.0));

    for (;;) {
        for (Worker& w : workers) {
            while (w.link && w.job < 0 && !queue.empty()) {
                w.job = static_cast<long>(queue.front());
                queue.erase(queue.begin());
                w.deadline = std::chrono::steady_clock::now() + timeout;
                if (!w.link->sendLine(lines[static_cast<std::size_t>(w.job)])) {
                    drop(w, "could not be sent its vector", firstEpisode, queue);
                }
            }
        }
        std::vector<pollfd> fds;
        std::vector<Worker*> busy;
        auto nearest = std::chrono::steady_clock::time_point::max();
        for (Worker& w : workers) {
            if (w.link && w.job >= 0) {
                fds.push_back({w.link->descriptor(), POLLIN, 0});
                busy.push_back(&w);
                nearest = std::min(nearest, w.deadline);
            }
        }
        if (busy.empty()) {
            return queue.empty();
        }
        const auto now = std::chrono::steady_clock::now();
        const long long untilDeadline =
            nearest <= now
                ? 0
                : std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count() + 1;
        const int waitMs = static_cast<int>(std::min<long long>(untilDeadline, kPollLimitMs));
        const int ready = ::poll(fds.data(), fds.size(), waitMs);
        if (ready < 0 && errno != EINTR) {
            log << "tuner: waiting for the workers failed" << std::endl;
            return false;
        }
        for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Worker& w = *busy[i];
            std::string line;
            // Whole lines only: a fitness may arrive in pieces.
            switch (w.link->readSome(line)) {
                case LearningLink::Read::Line: {
                    const std::size_t job = static_cast<std::size_t>(w.job);
                    replies[job] = line;
                    w.job = -1;
                    if (done) done(job, line, w.endpoint.name());
                    break;
                }
                case LearningLink::Read::More:
                    break;
                case LearningLink::Read::Closed:
                    drop(w, "closed the link", firstEpisode, queue);
                    break;
            }
        }
        const auto after = std::chrono::steady_clock::now();
        for (Worker* w : busy) {
            if (w->link && w->job >= 0 && after >= w->deadline) {
                char seconds[32];
                std::snprintf(seconds, sizeof seconds, "%g", episodeTimeout);
                drop(*w, std::string("has not answered within ") + seconds + " s", firstEpisode,
                     queue);
            }
        }
    }
}
