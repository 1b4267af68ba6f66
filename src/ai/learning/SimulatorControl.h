// How the learning engine reaches the simulator it restarts between
// episodes: stopping it, starting it, where the fresh one listens, and the
// pauses that give it time to come up. The engine only ever talks to this
// interface, so a learning run works with whatever simulator the machine has.
#pragma once

#include <string>

class SimulatorControl {
public:
    static constexpr int kServerPort = 3100;

    SimulatorControl() = default;
    virtual ~SimulatorControl();

    SimulatorControl(const SimulatorControl&) = delete;
    SimulatorControl& operator=(const SimulatorControl&) = delete;

    // Stops the running simulator; nothing happens when none runs.
    virtual void killSimulator() = 0;
    // Starts a fresh simulator without waiting for it to be ready.
    virtual void startSimulator() = 0;
    // Waits while the simulator goes down or comes up.
    virtual void wait(unsigned seconds);
    // The pauses after a stop and after a start. A simulator that cannot
    // tell when it is down or up waits the whole pause; one that can (a
    // child that has been reaped, a server that has said it listens) returns
    // as soon as it is, which saves most of an episode's restart time.
    virtual void waitUntilDown(unsigned seconds);
    virtual void waitUntilUp(unsigned seconds);

    // Where a freshly started simulator takes agents.
    virtual int serverPort() const;
    virtual std::string serverHost() const;
    // Another port than the agent's 3100, so that several learning runs can
    // share a machine, each with a simulator of its own.
    void setServerPort(int newPort) { port = newPort; }

private:
    int port = kServerPort;
};
