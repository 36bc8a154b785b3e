// SPDX-License-Identifier: BSD-3-Clause
#include "app/DocTemplate.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QMdiArea>

#include <algorithm>

namespace {
QString CanonicalPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
} // namespace

DocTemplate::DocTemplate(CMainFrame* mainFrame) : QObject(mainFrame), m_pMainFrame(mainFrame) {}

// The main frame closes every window first; documents left here have no view.
DocTemplate::~DocTemplate() = default;

CVornDoc* DocTemplate::OpenDocument(const QString& path, std::string* error) {
    auto doc = std::make_unique<CVornDoc>();
    const QByteArray nativePath = QFile::encodeName(path);
    if (!doc->OnOpenDocument(nativePath.constData())) {
        if (error)
            *error = doc->GetOpenError();
        return nullptr;
    }
    const QString canonical = CanonicalPath(path);
    // Named as the user opened it: a link by the link's name, not its target's.
    doc->SetPathName(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString());
    CVornDoc* result = doc.get();
    m_entries.push_back(Entry{std::move(doc), canonical, {}});
    emit documentsChanged();
    return result;
}

CChildFrame* DocTemplate::CreateNewFrame(CVornDoc* doc) {
    Entry* entry = Find(doc);
    if (!entry)
        return nullptr;
    auto* frame = new CChildFrame(m_pMainFrame, doc);
    m_pMainFrame->MdiArea()->addSubWindow(frame);
    entry->frames.append(frame);
    // The view unregisters from the document in its destructor; only after
    // that may the document go.
    CVornView* view = frame->GetActiveView();
    connect(view, &QObject::destroyed, this, [this, doc] { OnViewGone(doc); });
    connect(frame, &QObject::destroyed, this, [this, doc, frame] { OnFrameGone(doc, frame); });
    RenumberFrames(doc);
    view->OnInitialUpdate();
    return frame;
}

CVornDoc* DocTemplate::FindDocument(const QString& path) const {
    const QString canonical = CanonicalPath(path);
    for (const Entry& entry : m_entries) {
        if (entry.canonicalPath == canonical)
            return entry.doc.get();
    }
    return nullptr;
}

std::vector<CVornDoc*> DocTemplate::Documents() const {
    std::vector<CVornDoc*> docs;
    for (const Entry& entry : m_entries)
        docs.push_back(entry.doc.get());
    return docs;
}

QList<CChildFrame*> DocTemplate::Frames(const CVornDoc* doc) const {
    const Entry* entry = Find(doc);
    return entry ? entry->frames : QList<CChildFrame*>{};
}

int DocTemplate::WindowNumber(const CChildFrame* frame) const {
    for (const Entry& entry : m_entries) {
        const qsizetype index = entry.frames.indexOf(frame);
        if (index >= 0)
            return entry.frames.size() > 1 ? static_cast<int>(index) + 1 : 0;
    }
    return 0;
}

DocTemplate::Entry* DocTemplate::Find(const CVornDoc* doc) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [doc](const Entry& entry) { return entry.doc.get() == doc; });
    return it == m_entries.end() ? nullptr : &*it;
}

const DocTemplate::Entry* DocTemplate::Find(const CVornDoc* doc) const {
    return const_cast<DocTemplate*>(this)->Find(doc);
}

void DocTemplate::OnFrameGone(CVornDoc* doc, CChildFrame* frame) {
    if (Entry* entry = Find(doc)) {
        entry->frames.removeOne(frame);
        RenumberFrames(doc);
    }
}

void DocTemplate::OnViewGone(CVornDoc* doc) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [doc](const Entry& entry) { return entry.doc.get() == doc; });
    // Windows keep a document open; watchers of its frames (CView objects
    // that are no window) do not.
    const auto isWindow = [](CView* view) { return dynamic_cast<CVornView*>(view) != nullptr; };
    if (it == m_entries.end() || std::any_of(it->doc->GetViews().begin(),
                                             it->doc->GetViews().end(), isWindow))
        return;
    m_entries.erase(it);
    emit documentsChanged();
}

void DocTemplate::RenumberFrames(const CVornDoc* doc) {
    const Entry* entry = Find(doc);
    if (!entry)
        return;
    const bool several = entry->frames.size() > 1;
    for (qsizetype i = 0; i < entry->frames.size(); ++i)
        entry->frames[i]->SetWindowNumber(several ? static_cast<int>(i) + 1 : 0);
}
