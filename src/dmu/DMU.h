// The decision layer. For now a minimal stand-in: it sends whatever the
// command builder holds. The real decision-making arrives with the behaviour work.
#pragma once

#include <string>

class DMU {
public:
    static DMU* getUniqueInstance();
    // The runtime destroys the decision layer at exit (the only singleton it destroys).
    static void destroyInstance();

    std::string behave();

private:
    DMU() = default;
    static DMU* instance;
    unsigned int step = 0;
};
