// Asks the skill manager for the chosen skill once per cycle, the way the
// decision layer does: a stand-up is queued afresh whenever the robot is
// down; any other skill is requested every cycle, handing back the running
// instance when there is one (as the decision layer does with a running
// kick), so the skill keeps its phase.
#pragma once

#include <string>

#include "SkillRunOptions.h"
#include "types.h"

class SkillBase;
class SkillManager;

class SkillRequester {
public:
    explicit SkillRequester(const SkillRunOptions& options);

    // One cycle's request; `fallen` is this cycle's fall detector result.
    void request(SkillManager* manager, bool fallen);
    // A new object of the chosen skill, set up from the options; the caller
    // owns it (normally by handing it to the manager at once).
    SkillBase* create() const;
    SkillID chosenID() const;

private:
    SkillRunOptions options;
    bool firstCycle = true;
};
