// Asks the skill manager for the chosen skill once per cycle, the way the
// decision layer does: a stand-up is queued afresh whenever the robot is
// down; any other skill is requested every cycle, handing back the running
// instance when there is one (as the decision layer does with a running
// kick), so the skill keeps its phase. A behaviour above the skills is
// asked every cycle and its pick queued, as the decision layer does.
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
    // This cycle's pick of a behaviour (goto, behindball, ...): the skill it
    // steers, or null when it has arrived.
    SkillBase* midLevel() const;

    SkillRunOptions options;
    bool firstCycle = true;
};
