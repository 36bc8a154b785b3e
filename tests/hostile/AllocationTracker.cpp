// SPDX-License-Identifier: BSD-3-Clause
#include "AllocationTracker.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_base{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_refused{0};
std::atomic<size_t> g_limit{SIZE_MAX};

void RaiseTo(std::atomic<size_t>& value, size_t candidate) {
    size_t seen = value.load(std::memory_order_relaxed);
    while (candidate > seen && !value.compare_exchange_weak(seen, candidate)) {
    }
}

void* Allocate(size_t size, size_t alignment) {
    RaiseTo(g_largest, size);
    if (size > g_limit.load(std::memory_order_relaxed)) {
        RaiseTo(g_refused, size);
        throw std::bad_alloc();
    }
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(size == 0 ? 1 : size);
    } else {
        const size_t rounded = (size + alignment - 1) / alignment * alignment;
        p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
    }
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const size_t live = g_live.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    const size_t base = g_base.load(std::memory_order_relaxed);
    if (live > base) {
        RaiseTo(g_peak, live - base);
    }
    return p;
}

void Free(void* p) noexcept {
    if (p != nullptr) {
        g_live.fetch_sub(malloc_usable_size(p));
        std::free(p);
    }
}

} // namespace

namespace alloc_tracker {

void Reset(size_t limit) {
    g_base = g_live.load();
    g_peak = 0;
    g_largest = 0;
    g_refused = 0;
    g_limit = limit;
}

Stats Get() {
    return {g_largest.load(), g_peak.load(), g_refused.load()};
}

void Disarm() {
    g_limit = SIZE_MAX;
}

} // namespace alloc_tracker

void* operator new(size_t size) {
    return Allocate(size, 0);
}
void* operator new[](size_t size) {
    return Allocate(size, 0);
}
void* operator new(size_t size, std::align_val_t a) {
    return Allocate(size, static_cast<size_t>(a));
}
void* operator new[](size_t size, std::align_val_t a) {
    return Allocate(size, static_cast<size_t>(a));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, static_cast<size_t>(a));
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, static_cast<size_t>(a));
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, size_t) noexcept {
    Free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    Free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Free(p);
}
