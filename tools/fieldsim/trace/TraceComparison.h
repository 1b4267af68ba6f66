// The outcome of replaying a real-server trace in fieldsim: per quantity the
// first cycle beyond its tolerance and the largest difference, the referee's
// moves and the falls on both sides, and notes on what could not be read or
// compared. Readable text for people, JSON for tests and scripts.
#pragma once

#include <string>
#include <vector>

#include "trace/DifferenceTrack.h"
#include "util/Vec3.h"

struct TraceEvent {
    enum class Kind { RefereeMove, Fall, GotUp };
    Kind kind = Kind::Fall;
    long long cycle = 0;
    Vec3 from, to;       // a move
    std::string detail;  // the fall's side ("back", "front"), the move's rule
};

const char* traceEventName(TraceEvent::Kind kind);

class TraceComparison {
public:
    static constexpr double kCycle = 0.02;  // s

    std::string tracePath;
    std::string what;      // the recorder's command line
    std::string model;     // "physics" or "kinematic"
    long long cycles = 0;  // cycles run, one per perception of the trace
    long long kickoffCycle = -1;
    std::vector<DifferenceTrack> tracks;
    // The robot's first cycles (built in the air, joining, its first beam
    // and the drop after it) are judged apart, so that what happens there
    // does not hide the first difference afterwards.
    long long startCycles = 0;
    std::vector<DifferenceTrack> startTracks;
    std::vector<TraceEvent> realEvents;
    std::vector<TraceEvent> fieldsimEvents;
    Vec3 ballAtEnd;                    // fieldsim's ball after the last cycle
    std::vector<std::string> notes;    // the trace's and the run's
    std::vector<std::string> console;  // fieldsim's console lines

    DifferenceTrack* track(const std::string& name);
    const DifferenceTrack* track(const std::string& name) const;
    // The track a cycle's difference belongs in: the start's or the main one.
    DifferenceTrack* trackAt(const std::string& name, long long cycle);

    // Seconds since the first perception.
    static double timeOf(long long cycle) { return static_cast<double>(cycle) * kCycle; }

    std::string text() const;
    std::string json() const;
};
