// The serial link reached through a lease: whoever holds the one lease may open and close the port and
// exchange commands on it, and nobody else can reach it. The run core holds the lease for the whole of a
// run, so nothing else touches the link while a reconnect try or the instrument part of a start runs;
// the window and its pages take it for one command sequence at a time.
#pragma once

#include <atomic>
#include <optional>

#include "serial/SerialLink.h"

class CLinkLender;

class CLinkLease {
public:
    CLinkLease(CLinkLease&& other) noexcept;
    CLinkLease& operator=(CLinkLease&&) = delete;
    CLinkLease(const CLinkLease&) = delete;
    ~CLinkLease();  // gives the lease back

    CSerialLink* operator->() const { return m_link; }
    CSerialLink& operator*() const { return *m_link; }

private:
    friend class CLinkLender;
    CLinkLease(CLinkLender& lender, CSerialLink& link) : m_lender(&lender), m_link(&link) {}

    CLinkLender* m_lender;
    CSerialLink* m_link;
};

class CLinkLender {
public:
    explicit CLinkLender(CSerialLink& link) : m_link(link) {}

    // The lease, unless someone holds it. Any thread; the lease may move to another thread.
    std::optional<CLinkLease> TryLease();
    bool IsLeased() const { return m_bLeased; }

    // What anyone may ask of the link without the lease; each is safe from any thread.
    bool IsConnected() const { return m_link.IsConnected(); }
    void CancelExchanges() { m_link.CancelExchanges(); }
    // The unpolled lines are the reader's hand-over, not an exchange: a run's line pump takes them
    // while the run's worker holds the lease.
    std::vector<ReceivedLine> TakeRecordLines() { return m_link.TakeRecordLines(); }

private:
    friend class CLinkLease;
    CSerialLink& m_link;
    std::atomic<bool> m_bLeased{false};
};
