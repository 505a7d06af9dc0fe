// ReadOnlyView: a read-only bind mount of a folder, so tests run as root still meet a folder that cannot be
// written (root ignores file modes, not read-only mounts). Unmounted when destroyed, whatever happened.
#pragma once

#include <string>

class ReadOnlyView {
public:
    // Mounts `folder` read-only at `mountPoint` (an existing empty folder).
    ReadOnlyView(const std::string& folder, const std::string& mountPoint);
    ~ReadOnlyView();
    ReadOnlyView(const ReadOnlyView&) = delete;
    ReadOnlyView& operator=(const ReadOnlyView&) = delete;

    // False when mounting is not permitted here (not root, or no mount namespace rights): skip the test.
    bool Mounted() const { return m_mounted; }

private:
    std::string m_mountPoint;
    bool m_mounted = false;
};
