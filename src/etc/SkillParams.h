// The numbers of the motion skills (gait, turn, kick, stand-up, approach)
// that were tuned on the simulator. They live in small text files, one per
// skill, so that a team can retune a skill and play the result without
// compiling anything:
//
//     # name          value      [step  min  max]
//     kneeAmplitude   -20.9241   2.0   -60   0
//
// That is the tuner's parameter-file form, so the tuner's best vector can be
// copied over a skill's file as it is. Only the first number after a name is
// read here. Each skill names its values and the value it was designed with;
// a value missing from the file keeps that design value, so the design
// values are always one option away (--design-params) for comparison.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

class SkillParams {
public:
    static constexpr const char* kDirName = "params";
    static constexpr const char* kSuffix = ".params";
    // A file this large is not a parameter file; it is refused unread.
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    // One named value with the value the skill was designed with.
    struct Param {
        const char* name;
        double designValue;
    };

    static SkillParams* getUniqueInstance();

    // Reads every "<skill>.params" file of `dir` and uses them from now on.
    // A line that cannot be read is reported on standard error with its file
    // and line number and skipped. False (and nothing changes) when the
    // directory cannot be read.
    bool loadDirectory(const std::string& dir);

    // Where the tuned files are looked for when no directory was named:
    // "params" in the working directory (a team's own set), then the
    // "params" folder beside the program (the set the build ships).
    static std::vector<std::string> defaultDirectories(const std::string& programDir);
    // The folder of the running program ("." when it cannot be told).
    static std::string programDirectory(const char* argv0);

    // Chooses the values for this run: the design values when `designOnly`;
    // else the files of `dir`, or of the first default directory that
    // exists when `dir` is empty. Says on standard error when no tuned files
    // were found; the skills then run on their design values.
    void configure(bool designOnly, const std::string& dir, const std::string& programDir);

    // The skill's values in the order of `params`: from its file where the
    // file has them, else the design value. Names in the file that the skill
    // does not know are reported once per skill (a misspelt name would
    // otherwise be silently ignored).
    std::vector<double> values(const std::string& skill, const std::vector<Param>& params);
    double value(const std::string& skill, const char* name, double designValue);

    // Sets one value as if a file had it (the learners hand their vectors
    // to the skills this way; tests too).
    void set(const std::string& skill, const std::string& name, double value);
    // Back to the design values, every file forgotten.
    void clear();

    bool usingDesignValues() const { return skills_.empty(); }
    // Where the values came from, for the start-up line.
    const std::string& source() const { return source_; }

    // Parses one file's text; public for the fuzzer and the tests. Lines
    // that cannot be read are appended to `problems` ("line 3: ...").
    static std::map<std::string, double> parse(const std::string& text, std::vector<std::string>& problems);

private:
    SkillParams() = default;
    SkillParams(const SkillParams&) = delete;
    SkillParams& operator=(const SkillParams&) = delete;

    std::map<std::string, std::map<std::string, double>> skills_;
    std::map<std::string, bool> unknownReported_;
    std::string source_ = "design values";
};
