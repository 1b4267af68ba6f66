#include "devices/DeviceManager.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "buildMode.h"

namespace {

// Every device object alive in the process. update() is handed an untyped
// pointer; it only reads through pointers found here, so a destroyed device
// or a stray pointer can never be dereferenced.
std::vector<DeviceManager*>& liveDevices() {
    static std::vector<DeviceManager*> devices;
    return devices;
}

DeviceManager* findLiveDevice(const void* device) {
    for (DeviceManager* live : liveDevices()) {
        if (live == device) {
            return live;
        }
    }
    return nullptr;
}

}  // namespace

DeviceManager::DeviceManager(const char* path)
    : SC(StatusContainer::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()),
      SM(SettingsManager::getUniqueInstance()),
      devicePath(path != nullptr ? path : kDefaultDevicePath) {
    setName(kUnknownName);
    liveDevices().push_back(this);
}

DeviceManager::~DeviceManager() {
    closeDevice();
    std::vector<DeviceManager*>& devices = liveDevices();
    devices.erase(std::remove(devices.begin(), devices.end(), this), devices.end());
}

bool DeviceManager::initialize() {
    SC = StatusContainer::getUniqueInstance();
    CC = CommandCreator::getUniqueInstance();
    SM = SettingsManager::getUniqueInstance();

    if (!isDeviceEnabled()) {
        devOut("Device is not enabled!\n");
        return false;
    }

    for (int axis = 0; axis < StatusContainer::kNumAxes; ++axis) {
        SC->setAnAxes(0, axis);
    }
    for (int button = 0; button < StatusContainer::kNumButtons; ++button) {
        SC->setAButton(false, button);
    }
    version = kUnknownVersion;
    setName(kUnknownName);
    m_iAxes = 0;
    m_nButtons = 0;

    closeDevice();
    // Non-blocking from the start: opening a FIFO that has no writer yet
    // would otherwise wait for one.
    fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        devOut("Device is not Connected!\n");
        devErr(devicePath, ": ", std::strerror(error), "\n");
        fd = -1;
        return false;
    }
    queryDevice();
    devOut("Connected!!!\n");
    return true;
}

void DeviceManager::queryDevice() {
    // Each query may fail (the path is a FIFO or a file, not a joystick);
    // a failed one leaves its default in place.
    std::uint32_t driverVersion = 0;
    if (::ioctl(fd, JSIOCGVERSION, &driverVersion) >= 0) {
        version = static_cast<int>(driverVersion);
    }
    std::uint8_t count = 0;
    if (::ioctl(fd, JSIOCGAXES, &count) >= 0) {
        m_iAxes = count;
    }
    count = 0;
    if (::ioctl(fd, JSIOCGBUTTONS, &count) >= 0) {
        m_nButtons = count;
    }
    // The driver does not terminate a name that fills the whole area.
    char deviceName[kNameSize] = {};
    if (::ioctl(fd, JSIOCGNAME(kNameSize), deviceName) >= 0) {
        deviceName[kNameSize - 1] = '\0';
        if (deviceName[0] != '\0') {
            setName(deviceName);
        }
    }
}

void DeviceManager::updateState() { update(this); }

void DeviceManager::update(void* device) {
    DeviceManager* source = findLiveDevice(device);
    js_event event{};
    if (source != nullptr && source->readEvent(&event)) {
        // Initial-state events carry an extra flag and match neither type.
        // Numbers beyond the tables are dropped by the container.
        if (event.type == JS_EVENT_BUTTON) {
            SC->setAButton(event.value != 0, event.number);
        } else if (event.type == JS_EVENT_AXIS) {
            SC->setAnAxes(event.value, event.number);
        }
    }
    reset();
}

bool DeviceManager::readEvent(js_event* event) {
    if (fd < 0) {
        return false;
    }
    ssize_t got = 0;
    do {
        got = ::read(fd, pending + pendingBytes, sizeof(pending) - pendingBytes);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        const int error = errno;
        if (error != EAGAIN && error != EWOULDBLOCK && !readFailureReported) {
            readFailureReported = true;
            devErr("Reading ", devicePath, " failed: ", std::strerror(error), "\n");
        }
        return false;
    }
    // Zero bytes: nothing pending (end of a file, FIFO without a writer).
    pendingBytes += static_cast<std::size_t>(got);
    if (pendingBytes < sizeof(pending)) {
        return false;
    }
    std::memcpy(event, pending, sizeof(pending));
    pendingBytes = 0;
    return true;
}

void DeviceManager::closeDevice() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    pendingBytes = 0;
    readFailureReported = false;
}

void DeviceManager::setName(const char* text) {
    const std::size_t length = ::strnlen(text, kNameSize - 1);
    std::memcpy(name, text, length);
    name[length] = '\0';
}

const char* DeviceManager::getName() const { return name; }
const char* DeviceManager::getProductName() const { return name; }
int DeviceManager::getNumButtons() const { return m_nButtons; }
int DeviceManager::getNumAxes() const { return m_iAxes; }
int DeviceManager::getNumPovs() const { return 0; }
int DeviceManager::getVersion() const { return version; }
const std::string& DeviceManager::getDevicePath() const { return devicePath; }
bool DeviceManager::isOpen() const { return fd >= 0; }
