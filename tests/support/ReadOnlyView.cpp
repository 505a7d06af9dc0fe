#include "ReadOnlyView.h"

#include <sys/mount.h>

ReadOnlyView::ReadOnlyView(const std::string& folder, const std::string& mountPoint) : m_mountPoint(mountPoint) {
    if (::mount(folder.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return;
    m_mounted = true;
    if (::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        ::umount2(mountPoint.c_str(), MNT_DETACH);
        m_mounted = false;
    }
}

ReadOnlyView::~ReadOnlyView() {
    if (m_mounted)
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
}
