// The per-cycle record of skillrun: server time, the 22 sensed joint angles
// and the 22 joint speeds commanded in that cycle.
#pragma once

#include <array>
#include <fstream>
#include <string>

class WorldModel;

class CycleCsv {
public:
    static constexpr int kJoints = 22;
    // Effectors in the order the server reports the matching joints.
    static const char* const kEffectors[kJoints];
    // The names a Nao's joints are reported under, for slots the server has
    // not named.
    static const char* const kJointNames[kJoints];

    // False (with the reason in `error`) when the file cannot be created.
    bool open(const std::string& path, std::string& error);
    // Column names: the joint names as the world model holds them now.
    void writeHeader(const WorldModel& wm);
    void writeCycle(const WorldModel& wm, const char* commandText);
    // False once any write has failed.
    bool ok() const;
    int lines() const { return cycleLines; }

    // The speed text of every effector in a command text, as written there
    // (the last one when an effector was commanded twice); empty for the
    // effectors it does not command.
    static std::array<std::string, kJoints> speedsOf(const char* commandText);

private:
    std::ofstream out;
    int cycleLines = 0;
};
