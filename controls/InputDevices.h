// InputDevices: the Linux input devices (/dev/input/event*) that have buttons, with their names, USB ids and the
// stable identity by which the settings remember them, and why one cannot be opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct InputDeviceInfo {
    std::string eventPath; // "/dev/input/event5"
    std::string name;      // as the device reports it
    uint16_t vendor = 0;
    uint16_t product = 0;
    // The name in the folder's "by-id" subfolder that links to eventPath, if one does; else "vvvv:pppp:name"
    // (four lowercase hex digits each). The same device keeps it under a new event number.
    std::string identity;
    bool hasButtons = false;
    // Empty when the device can be opened for reading; else a sentence for the user naming the device and saying
    // what to do.
    std::string openError;
};

// "vvvv:pppp" in lowercase hex, as USB ids are written.
std::string UsbIdText(uint16_t vendor, uint16_t product);

// The "eventN" devices of `inputFolder` that have EV_KEY buttons (those that cannot be opened are listed too when
// the kernel's sysfs says they have buttons, or cannot say), sorted by event number.
std::vector<InputDeviceInfo> ListButtonDevices(const std::string& inputFolder = "/dev/input");

// The identity of an event device given its ids and name: the by-id link to it in `inputFolder`/by-id when there is
// one (the first by name), else "vvvv:pppp:name".
std::string DeviceIdentity(const std::string& inputFolder, const std::string& eventPath, uint16_t vendor,
                           uint16_t product, const std::string& name);
