#include "replay/ReplayRunner.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "monitor/MonitorPage.h"

ReplayRunner::ReplayRunner(const SimOptions& options, std::ostream& console)
    : options_(options), console_(console) {}

bool ReplayRunner::start(std::string& error) {
    const auto began = std::chrono::steady_clock::now();
    if (!recording_.load(options_.replayPath, error)) return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    service_ = std::make_unique<ReplayService>(recording_, seconds);

    const auto& frames = recording_.frames();
    char line[256];
    std::snprintf(line, sizeof line, "replay of %s: %zu cycles (%.2f to %.2f s of server time), %zu players with beliefs; loaded in %.2f s",
                  recording_.folder().c_str(), frames.size(), frames.front().time, frames.back().time,
                  recording_.tracks().size(), seconds);
    console_ << line << std::endl;
    for (const std::string& note : recording_.notes()) console_ << "replay: " << note << std::endl;

    MonitorField field;
    field.length = options_.fieldLength;
    field.width = options_.fieldWidth;
    field.goalWidth = options_.goalWidth;
    monitor_ = std::make_unique<MonitorServer>(MonitorPage::replayHtml(field),
                                               [this](const std::string& text) { console_ << text << std::endl; });
    monitor_->setHandler([this](const MonitorRequest& request, MonitorReply& reply) {
        return service_->answer(request, reply);
    });
    // No port asked for: a free one, printed, as a replay is opened by hand.
    return monitor_->start(options_.monitorPort < 0 ? 0 : options_.monitorPort, error);
}

void ReplayRunner::run() {
    std::vector<pollfd> fds;
    while (!stop_) {
        fds.clear();
        monitor_->addPollFds(fds);
        // A short wait, so that a stop request is seen soon and the
        // monitor's timeouts are kept.
        if (::poll(fds.data(), fds.size(), 200) < 0) {
            if (errno == EINTR) continue;
            console_ << "replay: poll failed: " << std::strerror(errno) << std::endl;
            break;
        }
        monitor_->handlePoll(fds);
    }
    monitor_->stop();
}
