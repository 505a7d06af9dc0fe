#include "controls/InputDevices.h"

#include "controls/UniqueFd.h"
#include "controls/internal/OpenErrorText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <libevdev/libevdev.h>

namespace fs = std::filesystem;

namespace {

// The number after "event" in a device node's name; -1 when it is not one.
int EventNumber(const std::string& fileName) {
    constexpr std::string_view prefix = "event";
    if (fileName.size() <= prefix.size() || fileName.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = fileName.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(digits);
}

// A line of the kernel's description of the device under /sys/class/input; "" when it cannot be read.
std::string SysfsLine(const std::string& eventName, const std::string& file) {
    std::ifstream in("/sys/class/input/" + eventName + "/device/" + file);
    std::string line;
    std::getline(in, line);
    return line;
}

uint16_t SysfsId(const std::string& eventName, const std::string& file) {
    return static_cast<uint16_t>(std::strtoul(SysfsLine(eventName, "id/" + file).c_str(), nullptr, 16));
}

// The device's details read through libevdev; false when the node is no event device.
bool ReadDevice(int fd, InputDeviceInfo& info) {
    libevdev* device = nullptr;
    if (libevdev_new_from_fd(fd, &device) < 0)
        return false;
    info.name = libevdev_get_name(device) ? libevdev_get_name(device) : "";
    info.vendor = static_cast<uint16_t>(libevdev_get_id_vendor(device));
    info.product = static_cast<uint16_t>(libevdev_get_id_product(device));
    info.hasButtons = libevdev_has_event_type(device, EV_KEY);
    libevdev_free(device);
    return true;
}

} // namespace

std::string UsbIdText(uint16_t vendor, uint16_t product) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor, product);
    return text;
}

std::string DeviceIdentity(const std::string& inputFolder, const std::string& eventPath, uint16_t vendor,
                           uint16_t product, const std::string& name) {
    std::error_code error;
    std::vector<std::string> links;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(inputFolder) / "by-id", error))
        if (fs::equivalent(entry.path(), eventPath, error))
            links.push_back(entry.path().filename().string());
    if (!links.empty())
        return *std::min_element(links.begin(), links.end());
    return UsbIdText(vendor, product) + ":" + name;
}

std::vector<InputDeviceInfo> ListButtonDevices(const std::string& inputFolder) {
    std::vector<std::pair<int, InputDeviceInfo>> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(inputFolder, error)) {
        const std::string fileName = entry.path().filename().string();
        const int number = EventNumber(fileName);
        if (number < 0)
            continue;
        InputDeviceInfo info;
        info.eventPath = entry.path().string();
        const UniqueFd fd(::open(info.eventPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (fd.Valid()) {
            if (!ReadDevice(fd.Get(), info))
                continue;
        } else {
            const int openError = errno;
            const std::string keys = SysfsLine(fileName, "capabilities/key");
            info.name = SysfsLine(fileName, "name");
            info.vendor = SysfsId(fileName, "vendor");
            info.product = SysfsId(fileName, "product");
            info.hasButtons = keys.empty() || keys.find_first_not_of("0 ") != std::string::npos;
            info.openError = OpenErrorText(info.name, info.eventPath, openError);
        }
        if (!info.hasButtons)
            continue;
        info.identity = DeviceIdentity(inputFolder, info.eventPath, info.vendor, info.product, info.name);
        found.emplace_back(number, std::move(info));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<InputDeviceInfo> devices;
    for (auto& [number, info] : found)
        devices.push_back(std::move(info));
    return devices;
}
