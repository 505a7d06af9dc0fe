// LHandle: a counted handle to a pipeline object (source or sink); the last handle released destroys the object.
// The count lives in the object (LCounted). Handles to one object are copied and released on one thread only.
//
//   LSoundSourceHandle reader = MakeHandle<LSRCPCMFile<LSF16>>(path);
//   LSoundSourceHandle chain = reader;   // both refer to the same reader
#pragma once

#include <cstdint>
#include <utility>

// Base of every object that lives by counted handles.
class LCounted {
public:
    LCounted() = default;
    LCounted(const LCounted&) = delete;
    LCounted& operator=(const LCounted&) = delete;
    virtual ~LCounted() = default;

    uint32_t ReferenceCount() const { return m_refCount; }

private:
    template <class T>
    friend class LHandle;
    uint32_t m_refCount = 0;
};

template <class T>
class LHandle {
public:
    LHandle() = default;
    // Takes the first (or a further) reference to `object`.
    explicit LHandle(T* object) : m_object(object) { Retain(); }
    LHandle(const LHandle& other) : m_object(other.m_object) { Retain(); }
    LHandle(LHandle&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    template <class U>
    LHandle(const LHandle<U>& other) : m_object(other.Get()) {
        Retain();
    }
    ~LHandle() { Release(); }

    LHandle& operator=(const LHandle& other) {
        LHandle copy(other);
        std::swap(m_object, copy.m_object);
        return *this;
    }
    LHandle& operator=(LHandle&& other) noexcept {
        LHandle moved(std::move(other));
        std::swap(m_object, moved.m_object);
        return *this;
    }

    void Reset() { LHandle().Swap(*this); }
    void Swap(LHandle& other) noexcept { std::swap(m_object, other.m_object); }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const LHandle& other) const { return m_object == other.m_object; }

private:
    void Retain() {
        if (m_object)
            ++static_cast<LCounted*>(m_object)->m_refCount;
    }
    void Release() {
        if (m_object && --static_cast<LCounted*>(m_object)->m_refCount == 0)
            delete m_object;
        m_object = nullptr;
    }

    T* m_object = nullptr;
};

template <class T, class... Arguments>
LHandle<T> MakeHandle(Arguments&&... arguments) {
    return LHandle<T>(new T(std::forward<Arguments>(arguments)...));
}
