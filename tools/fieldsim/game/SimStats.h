// Counters for fieldsim's closing summary.
#pragma once

struct SimStats {
    long long cycles = 0;
    long long connections = 0;
    long long robotsJoined = 0;
    int maxRobots = 0;
    long long messagesIn = 0;
    long long perceptionsOut = 0;
    long long malformed = 0;
    long long unknown = 0;
    long long refused = 0;
    long long saysDropped = 0;
    long long bytesIn = 0;
    long long bytesOut = 0;
};
