// A recording of one robot on the real simulation server, as the trace
// recorder writes it (one JSON object per line, gzip-compressed or plain):
// a meta line, one line per perception with the robot's reply, and ground
// truth lines read from the server's monitor about every 20 ms of wall time.
// What cannot be read is skipped and said in `notes`: a line that is not
// JSON, lacks what its kind needs, goes back in time, is longer than
// kMaxLine, or is cut off where the file (or the compressed stream) ends.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "util/Vec3.h"

struct TracePerception {
    long long n = 0;    // the perception's number, from 0
    double now = 0.0;   // server time
    double wall = 0.0;  // s since the first perception arrived
    std::string text;   // the message as received
    bool hasReply = false;
    std::string reply;  // all the robot sent before the next perception
};

struct TraceRobotTruth {
    std::string side;  // "left" or "right"
    int unum = 0;
    Vec3 pos;              // torso centre, world frame
    double yaw = 0.0;      // deg, counter-clockwise from +x
    double upright = 1.0;  // z of the torso's up axis
    // Centres of the parts that carry a collider, by the model's part names
    // (head, rupperarm, lfoot, ...), world frame; those the line has.
    std::vector<std::pair<std::string, Vec3>> parts;
};

struct TraceTruth {
    double wall = 0.0;
    std::string playMode;
    bool hasBall = false;
    Vec3 ball;
    std::vector<TraceRobotTruth> robots;
};

class RealTrace {
public:
    // A perception line is a few KiB, a truth line about one; nothing near
    // this is a trace line.
    static constexpr size_t kMaxLine = 1 << 20;
    // A whole trace of a long game stays far below these.
    static constexpr size_t kMaxBytes = size_t{128} << 20;
    static constexpr long long kMaxPerceptions = 1000000;  // 5.5 hours of cycles
    static constexpr size_t kMaxTruths = 2000000;
    // Lines named one by one in the notes; more are counted.
    static constexpr int kNamedLines = 5;
    // Parts of one robot kept from a truth line; a robot has 13 that count.
    static constexpr size_t kMaxParts = 32;

    // Reads a gzip-compressed or plain file. False, with `error`, when it
    // cannot be opened or holds no perception at all; otherwise what could
    // be read, with `notes` on the rest.
    static bool load(const std::string& path, RealTrace& out, std::string& error);
    // The same from text already in memory. `complete` false: the text was
    // cut off (its last line is then judged as cut off when it is not whole).
    static void parse(const std::string& text, RealTrace& out, bool complete = true);

    // From the meta line.
    bool hasMeta = false;
    std::string what;                // the recorder's command line, joined
    std::vector<std::string> scene;  // what the robot sent before the first perception
    double kickoffAfterWall = -1.0;

    std::vector<TracePerception> perceptions;  // n strictly increasing
    std::vector<TraceTruth> truths;            // wall not decreasing
    std::vector<std::string> notes;

    // Index into perceptions of perception n; -1 when the trace lacks it.
    long long indexOf(long long n) const;
    // The perception number a wall time falls in: the last perception that
    // had arrived by then; -1 before the first.
    long long cycleAtWall(double wall) const;
};
