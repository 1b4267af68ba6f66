// A short recorded game written by hand, for the replay's tests: a truth log
// as fieldsim writes it, and belief CSVs as wmtrace writes them, for two
// players of each team. Every pose is a simple function of time, so a test
// knows where everything was, and what each player believed, at any moment.
#pragma once

#include <string>

struct FixturePose {
    double x, y, yaw;  // world frame; yaw in degrees counter-clockwise from +x
};

class ReplayFixture {
public:
    static constexpr int kCycles = 500;  // 10 s
    // Players: Ants (left) 1 and 2, Bees (right) 1 and 3. Ants 2 and Bees 3
    // have beliefs (Ants 2 always 0.5 m and 12 degrees off; Bees 3 off by
    // changing amounts); Ants 1 has only a message trace.
    static FixturePose truth(bool right, int unum, double t);
    static FixturePose belief(bool right, int unum, double t);
    static FixturePose ball(double t);
    static FixturePose believedBall(double t);
    // "upright", or "front" while Bees 3 lies between 6 and 8 s.
    static const char* state(bool right, int unum, double t);

    // What to spoil.
    struct Faults {
        bool cutLastLine = false;       // the log ends in the middle of a line
        bool garbageLine = false;       // one line in the middle is not JSON
        bool beliefsMissColumns = false;  // Bees 3's CSV lacks x and yaw
        bool noBeliefs = false;         // no belief CSV at all
    };
    // Writes DIR/truth.jsonl, DIR/Ants/p2/beliefs.csv, DIR/Bees/p3/beliefs.csv
    // and DIR/Ants/p1/Msg.txt.
    static void write(const std::string& dir, const Faults& faults);
    static void write(const std::string& dir) { write(dir, Faults()); }
    // The server time of a cycle.
    static double timeOf(int cycle) { return cycle * 0.02; }
};
