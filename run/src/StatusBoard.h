// CStatusBoard: the run's status, written by the core and its pump on their threads and read by
// anyone. One lock; every access copies.
#pragma once

#include <mutex>

#include "run/RunStatus.h"

class CStatusBoard {
public:
    template <typename Change>
    void Update(Change change) {
        const std::lock_guard lock(m_lock);
        change(m_status);
    }
    RunStatus Snapshot() const {
        const std::lock_guard lock(m_lock);
        return m_status;
    }

private:
    mutable std::mutex m_lock;
    RunStatus m_status;
};
