// SPDX-License-Identifier: BSD-3-Clause
// Told of every frame its document shows: RenderFrame repaints every view of
// the document before it returns, this one included. It is no window, so it
// keeps no document open.
#pragma once

#include "framework/Document.h"

#include <functional>
#include <utility>

class FrameWatcher final : public CView {
public:
    FrameWatcher(CDocument* doc, std::function<void()> shown) : m_shown(std::move(shown)) {
        SetDocument(doc);
    }
    ~FrameWatcher() override { SetDocument(nullptr); }
    void RepaintNow() override { m_shown(); }
    void OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) override {}

private:
    std::function<void()> m_shown;
};
