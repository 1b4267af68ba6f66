// Everything fieldsim can be told on its command line, with the defaults.
#pragma once

#include <string>

#include "robot/BodyModel.h"

enum class Pace { Realtime, Lockstep };

struct SimOptions {
    ModelKind model = ModelKind::Physics;
    int port = 3100;
    std::string bindAddress = "127.0.0.1";
    Pace pace = Pace::Realtime;
    double lockstepTimeout = 1.0;  // s
    double fieldLength = 12.0;
    double fieldWidth = 8.0;
    double goalWidth = 1.4;
    double halfTime = 300.0;  // s of game time
    int halves = 2;
    double kickoffAfter = 5.0;  // s; negative: only a scenario event starts the game
    int visionEvery = 3;        // cycles
    bool fullView = false;
    bool noise = false;
    unsigned long long seed = 1;
    int sayLimit = 64;
    int latency = 0;  // cycles; 0: the robot model's own (1 kinematic, 2 physics)
    bool gsClassic = false;
    std::string truthFile;
    std::string scenarioFile;
    long long maxCycles = -1;  // none
    double duration = -1.0;    // s of server time; none
    bool verbose = false;
    int monitorPort = -1;  // web monitor on 127.0.0.1; -1: none, 0: a free port
    int waitFor = 0;              // robots to wait for before the clock starts; 0: none
    double waitTimeout = 60.0;    // s of wall time, the longest such wait
    std::string replayPath;       // a recorded game to serve instead of playing one
    std::string playTracePath;    // a real-server trace to replay and compare instead
    std::string playTraceJson;    // where the comparison goes as JSON; none: text only
};
