// SPDX-License-Identifier: BSD-3-Clause
// The small part of a document/view framework that the recording document
// relies on, free of any toolkit: a document with its title, path and views,
// and the view interface a document drives. The Qt shell implements CView.
#pragma once

#include <string>
#include <vector>

class CView;

class CDocument {
public:
    CDocument() = default;
    virtual ~CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // New empty document; the recording document never uses it. TRUE (1).
    virtual int OnNewDocument();

    // Standard open: checks that `path` is a regular file that can be opened
    // for reading, without ever blocking (a FIFO, socket or device is refused
    // as "not a regular file"). On failure keeps the reason (GetOpenError) and
    // returns FALSE (0). Derived documents call it first and then read the file.
    virtual int OnOpenDocument(const char* path);

    // Title shown in the captions of the document's windows. SetTitle tells
    // every view, so frames can refresh their captions.
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title);

    // Full path of the open file. SetPathName also sets the title to the
    // file's display name (see FileTitleFromPath).
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path);

    // Views. A view registers itself when it is attached to a document and
    // unregisters when it goes away.
    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }

    // Tells every view but `sender` that the document changed.
    void UpdateAllViews(CView* sender, long hint = 0, void* object = nullptr);

    // Why the last OnOpenDocument failed, e.g. "No such file or directory" or
    // "missing FSZP chunk"; empty after a successful open.
    const std::string& GetOpenError() const { return m_strOpenError; }

protected:
    void SetOpenError(std::string reason) { m_strOpenError = std::move(reason); }

    // A view has just been attached.
    virtual void OnViewAdded(CView* /*view*/) {}

private:
    std::string m_strTitle;
    std::string m_strPathName;
    std::string m_strOpenError;
    std::vector<CView*> m_views;
};

class CView {
public:
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    CDocument* GetDocument() const { return m_pDocument; }

    // Attaches the view to `document` (registers with it); null detaches.
    void SetDocument(CDocument* document);

    // Repaint the whole view now, synchronously, without erasing the
    // background: when it returns the view shows the document's current state.
    virtual void RepaintNow() = 0;

    // The document changed (UpdateAllViews). Default: schedule a repaint by
    // calling RepaintNow.
    virtual void OnUpdate(CView* sender, long hint, void* object);

    // The document's title changed; frames refresh their captions.
    virtual void OnTitleChanged() {}

protected:
    CView() = default;

private:
    friend class CDocument; // keeps m_pDocument in step with its view list
    CDocument* m_pDocument = nullptr;
};

// Display name of a file the way the shell shows it: the final path component,
// without the ".vrn" extension of our registered document type.
std::string FileTitleFromPath(const std::string& path);
