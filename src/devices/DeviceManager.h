// Base of the hand-held input devices (joystick and gamepad families). A
// device object opens a Linux joystick device, reads its button and axis
// events without ever blocking, and mirrors the current state in the shared
// StatusContainer; subclasses decide what the state means (wrap, doAction).
//
// The device path defaults to the first joystick and can be given to the
// constructor, so that a FIFO or a file of js_event records can stand in.
#pragma once

#include <linux/joystick.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "devices/StatusContainer.h"
#include "etc/SettingsManager.h"
#include "utils/CommandCreator.h"

class DeviceManager {
public:
    static constexpr const char* kDefaultDevicePath = "/dev/input/js0";
    static constexpr std::size_t kNameSize = 128;
    // What version and name read as until a joystick driver has answered.
    static constexpr int kUnknownVersion = 2048;
    static constexpr const char* kUnknownName = "Unknown";

    // A null path means the default one.
    explicit DeviceManager(const char* devicePath = kDefaultDevicePath);
    // Closes the device when it is open.
    virtual ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // Reads the shared state into the subclass's own view of it.
    virtual void wrap() = 0;
    // Forgets that view; every update ends with it.
    virtual void reset() = 0;
    // Whether the settings allow this family of devices to be opened.
    virtual bool isDeviceEnabled() const = 0;
    // Acts on the view taken by wrap().
    virtual void doAction() = 0;

    // Clears the shared state and opens the device read-only and
    // non-blocking, then asks the driver for its version, axis and button
    // counts and name; a device that is not a joystick keeps the defaults.
    // False (with a message) when the settings forbid it or the device cannot
    // be opened; the object stays usable either way. Calling it again closes
    // the earlier descriptor first.
    bool initialize();
    // update(this).
    void updateState();
    // Reads at most one event from `device`'s descriptor into the shared
    // state, then calls reset() on this object. `device` must be a live
    // device object; any other pointer (null, destroyed) reads nothing.
    // A record that arrives in pieces is completed by later calls.
    void update(void* device);

    const char* getName() const;
    const char* getProductName() const;
    int getNumButtons() const;
    int getNumAxes() const;
    int getNumPovs() const;
    int getVersion() const;
    const std::string& getDevicePath() const;
    bool isOpen() const;

protected:
    int version = kUnknownVersion;
    char name[kNameSize];
    std::uint8_t m_iAxes = 0;
    std::uint8_t m_nButtons = 0;
    int iret = 0;  // spare, for subclasses
    int fd = -1;
    StatusContainer* SC;
    CommandCreator* CC;
    SettingsManager* SM;

private:
    static_assert(sizeof(js_event) == 8, "the driver hands out 8-byte event records");

    // True when a whole event record has been read into `event`.
    bool readEvent(js_event* event);
    void queryDevice();
    void closeDevice();
    void setName(const char* text);

    std::string devicePath;
    // Bytes of an event record that has only partly arrived.
    unsigned char pending[sizeof(js_event)] = {};
    std::size_t pendingBytes = 0;
    // A failing device (unplugged) is reported once, not every cycle.
    bool readFailureReported = false;
};
