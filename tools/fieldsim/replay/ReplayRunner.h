// fieldsim --replay: loads a recorded game and serves it to browsers with the
// monitor's page, until stopped. No robots connect; nothing is simulated.
#pragma once

#include <atomic>
#include <memory>
#include <ostream>
#include <string>

#include "game/SimOptions.h"
#include "monitor/MonitorServer.h"
#include "replay/ReplayRecording.h"
#include "replay/ReplayService.h"

class ReplayRunner {
public:
    ReplayRunner(const SimOptions& options, std::ostream& console);

    // Loads the recording, says what was skipped and listens; false, with
    // `error`, when there is nothing to play or the port cannot be had.
    bool start(std::string& error);
    int port() const { return monitor_ ? monitor_->port() : 0; }
    // Serves until requestStop().
    void run();
    // Safe from a signal handler.
    void requestStop() { stop_ = true; }

private:
    const SimOptions& options_;
    std::ostream& console_;
    ReplayRecording recording_;
    std::unique_ptr<ReplayService> service_;
    std::unique_ptr<MonitorServer> monitor_;
    std::atomic<bool> stop_{false};
};
