// The link's one lease.
#include "serial/LinkLease.h"

#include <utility>

CLinkLease::CLinkLease(CLinkLease&& other) noexcept
    : m_lender(std::exchange(other.m_lender, nullptr)), m_link(other.m_link) {}

CLinkLease::~CLinkLease() {
    if (m_lender != nullptr) m_lender->m_bLeased = false;
}

std::optional<CLinkLease> CLinkLender::TryLease() {
    bool expected = false;
    if (!m_bLeased.compare_exchange_strong(expected, true)) return std::nullopt;
    return CLinkLease(*this, m_link);
}
