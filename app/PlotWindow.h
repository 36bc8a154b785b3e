// SPDX-License-Identifier: BSD-3-Clause
// What the measurement plot windows share: a window of its own owned by a
// recording's window (it closes with it), the plot, the table behind it,
// Copy (tab-separated), Save As (CSV, PNG or SVG by the name's suffix), and
// a call on every frame the recording shows.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class CChildFrame;
class CMainFrame;
class CVornDoc;
class PlotWidget;
class QBoxLayout;
class QHBoxLayout;
class QPushButton;

class PlotWindow : public QWidget {
    Q_OBJECT

public:
    struct Table {
        QStringList header;
        std::vector<QStringList> rows;
    };
    // Asks for the file to save to, proposing `name`; empty: cancelled.
    using SaveDialog = std::function<QString(QWidget* parent, const QString& name)>;

    PlotWindow(CChildFrame* frame, const QString& caption);
    ~PlotWindow() override;

    PlotWidget* Plot() const { return m_pPlot; }
    // The recording, or null once it has been closed.
    CVornDoc* Document() const;
    CChildFrame* Frame() const;
    CMainFrame* MainFrame() const;

    virtual Table MakeTable() const = 0;
    // The table, a header line and one line per row, fields joined by `separator`.
    QString TableText(QChar separator) const;
    void CopyTable() const;
    // Writes the table (.csv), an image (.png) or a drawing (.svg); false,
    // after telling the user, when it cannot be written.
    bool SaveTo(const QString& path);
    void OnSaveAs();
    // A file dialog unless replaced; tests install their own.
    void SetSaveDialog(SaveDialog dialog) { m_saveDialog = std::move(dialog); }

    QPushButton* CopyButton() const { return m_pCopy; }
    QPushButton* SaveButton() const { return m_pSave; }

protected:
    // The recording has shown a frame (during playback too).
    virtual void OnFrameShown() = 0;
    // Calls OnFrameShown now and on every frame shown from here on; the
    // derived window's constructor calls it last.
    void FollowFrames();
    // Controls above the plot and beside the buttons below it.
    QHBoxLayout* TopRow() const { return m_pTop; }
    QHBoxLayout* BottomRow() const { return m_pBottom; }
    // Shows the recording's frame `index` in its window.
    void GoToFrame(int index);
    // The recording's frame shown, or -1.
    int ShownFrame() const;
    // A file name beside the recording: its base name, the window's object
    // name and `suffix`.
    QString ProposedName(const QString& suffix) const;

private:
    class FrameFollower;
    std::unique_ptr<FrameFollower> m_pFollower;
    QPointer<CChildFrame> m_pFrame;
    PlotWidget* m_pPlot = nullptr;
    QHBoxLayout* m_pTop = nullptr;
    QHBoxLayout* m_pBottom = nullptr;
    QPushButton* m_pCopy = nullptr;
    QPushButton* m_pSave = nullptr;
    SaveDialog m_saveDialog;
};
