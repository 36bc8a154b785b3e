// SPDX-License-Identifier: BSD-3-Clause
// Owns the open recordings and makes their windows: each document gets a
// child frame holding a CVornView; "New Window" adds another frame on the
// same document. A document is destroyed when its last view goes away.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class CChildFrame;
class CMainFrame;
class CVornDoc;

class DocTemplate : public QObject {
    Q_OBJECT

public:
    explicit DocTemplate(CMainFrame* mainFrame);
    ~DocTemplate() override;

    // Opens a new document on `path`. Null with `error` set (the document's
    // reason) when the recording cannot be opened; nothing remains then.
    CVornDoc* OpenDocument(const QString& path, std::string* error);

    // A new maximized window on `doc` in the main frame's MDI area.
    CChildFrame* CreateNewFrame(CVornDoc* doc);

    // The open document of `path` (compared by canonical path), or null.
    CVornDoc* FindDocument(const QString& path) const;

    // Open documents, oldest first, and the windows of one, in creation order.
    std::vector<CVornDoc*> Documents() const;
    QList<CChildFrame*> Frames(const CVornDoc* doc) const;

    // Window numbers: 0 when the document has a single window, else 1.. in
    // creation order (shown as ":n" behind the caption).
    int WindowNumber(const CChildFrame* frame) const;

signals:
    // A document was opened or destroyed.
    void documentsChanged();

private:
    struct Entry {
        std::unique_ptr<CVornDoc> doc;
        QString canonicalPath;
        QList<CChildFrame*> frames;
    };

    Entry* Find(const CVornDoc* doc);
    const Entry* Find(const CVornDoc* doc) const;
    void OnFrameGone(CVornDoc* doc, CChildFrame* frame);
    void OnViewGone(CVornDoc* doc);
    void RenumberFrames(const CVornDoc* doc);

    CMainFrame* m_pMainFrame;
    std::vector<Entry> m_entries;
};
