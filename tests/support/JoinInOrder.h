// Robots that join a lockstep fieldsim in a fixed order, all in the same
// cycle. fieldsim runs with --wait-for N, so in lockstep no cycle runs until
// all N robots have loaded theirs. It is held (stopped) while the robots
// start and connect, each robot is held once it has connected and sent its
// first command, and on release each robot in turn answers its first
// perception and joins before the next is let go. So neither how long the
// programs take to start, nor which one answers first (the first team to
// join plays on the left), nor in which cycle they join depends on how busy
// the machine is: a run's truth log is the same from run to run.
#pragma once

#include <string>
#include <vector>

#include "support/ChildProcess.h"

class JoinInOrder {
public:
    // `server`: fieldsim just started, in lockstep (with an answer timeout
    // longer than the whole release takes) and --wait-for as many robots as
    // will be added; the robots connect to its `port`. It is held as soon
    // as it listens.
    JoinInOrder(ChildProcess& server, unsigned short port, int timeoutMs);
    ~JoinInOrder();
    JoinInOrder(const JoinInOrder&) = delete;
    JoinInOrder& operator=(const JoinInOrder&) = delete;

    bool serverHeld() const { return held; }
    // After robot.start(): waits until it has connected and sent its first
    // command, then holds it. Robots join in the order they were added.
    bool add(ChildProcess& robot);
    // Lets the server go on, then each robot in turn until the server has
    // said it joined. False when one did not in time, or when the server had
    // stopped waiting for them (its --wait-timeout, wall time counted from
    // its start, must outlast the robots' start); everything goes on all the
    // same.
    bool release();

private:
    void resumeAll();

    ChildProcess& server;
    unsigned short port;
    int timeoutMs;
    bool held = false;
    std::vector<ChildProcess*> robots;
};
