#include "store/LDatFile.h"

#include "platform/Profile.h"

LDatFile::~LDatFile() {
    (void)Flush();
}

LDatFile& LDatFile::operator=(LDatFile&& other) noexcept {
    if (this != &other) {
        (void)Flush();
        m_path = std::move(other.m_path);
        other.m_path.clear();
    }
    return *this;
}

bool LDatFile::Flush() const {
    return m_path.empty() || ProfileFlush(m_path);
}
