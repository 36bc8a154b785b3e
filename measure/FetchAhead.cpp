// SPDX-License-Identifier: BSD-3-Clause
#include "measure/FetchAhead.h"

#include <utility>

FetchAhead::FetchAhead(int64_t count, Fetch fetch)
    : m_count(count), m_fetch(std::move(fetch)),
      m_thread([this](const std::stop_token& stop) { Run(stop); }) {}

void FetchAhead::Run(const std::stop_token& stop) {
    for (int64_t n = 0; n < m_count; ++n) {
        const size_t at = static_cast<size_t>(n % 2);
        {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait(lock, stop, [&] { return !m_filled[at]; })) {
                return;
            }
        }
        const bool more = m_fetch(n, m_slots[at]);
        {
            const std::lock_guard lock(m_mutex);
            m_filled[at] = true;
        }
        m_changed.notify_all();
        if (!more) {
            return;
        }
    }
}

FetchSlot& FetchAhead::Next() {
    const size_t at = static_cast<size_t>(m_taken % 2);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_filled[at]; });
    return m_slots[at];
}

void FetchAhead::Release() {
    {
        const std::lock_guard lock(m_mutex);
        m_filled[static_cast<size_t>(m_taken % 2)] = false;
        ++m_taken;
    }
    m_changed.notify_all();
}
