// Stops a tool cleanly on SIGINT, SIGTERM and SIGHUP: the handler it gives
// stops what the tool started (a simulator, workers) and ends the process.
#pragma once

#include <signal.h>

inline void installStopHandlers(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}
