// SPDX-License-Identifier: BSD-3-Clause
// The MDI child window of one view on a recording. It always opens maximized,
// deletes itself when closed, and shows its document's title (with ":n" when
// the document has several windows).
#pragma once

#include "measure/Scale.h"

#include <QMdiSubWindow>

#include <optional>

class CMainFrame;
class CVornDoc;
class CVornView;
class QCloseEvent;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT

public:
    CChildFrame(CMainFrame* mainFrame, CVornDoc* doc);
    ~CChildFrame() override;

    CVornDoc* GetActiveDocument() const { return m_pDocument; }
    CVornView* GetActiveView() const { return m_pView; }

    // The spatial scale of this window's recording (Tools > Set Scale),
    // none when it has none.
    std::optional<Scale> GetScale() const;

    // Shows the window maximized and activates it, whatever state was asked for.
    void ActivateFrame();

    // 0 alone, else 1.. among the document's windows; refreshes the caption.
    void SetWindowNumber(int number);
    int WindowNumber() const { return m_nWindow; }

    // The caption: the document's title, ":n" appended when numbered.
    QString FrameTitle() const;
    void OnUpdateFrameTitle();

signals:
    void frameTitleChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CMainFrame* m_pMainFrame;
    CVornDoc* m_pDocument;
    CVornView* m_pView;
    int m_nWindow = 0;
};
