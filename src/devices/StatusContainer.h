// The current state of the hand-held input device: which buttons are held and
// where each axis stands. One copy per process, shared by every device object
// and by whatever code reads the state.
#pragma once

class StatusContainer {
public:
    static constexpr int kNumButtons = 80;
    static constexpr int kNumAxes = 30;

    static StatusContainer* getUniqueInstance();

    // Numbers outside the tables are ignored by the setters and read as
    // released / centred by the getters: a device may report more buttons or
    // axes than we keep, and its numbers are not to be trusted.
    void setAButton(bool pressed, int number);
    bool getAButton(int number) const;
    void setAnAxes(short value, int number);
    short getAnAxes(int number) const;

private:
    StatusContainer() = default;
    StatusContainer(const StatusContainer&) = delete;
    StatusContainer& operator=(const StatusContainer&) = delete;

    bool buttons[kNumButtons] = {};
    short axes[kNumAxes] = {};
};
