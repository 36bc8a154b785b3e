// SPDX-License-Identifier: BSD-3-Clause
// The main window's commands: actions, the two menus (no recording open /
// a recording open), the toolbar, the Window menu's list and the recent files.
#include "app/CMainFrame.h"

#include "app/CChildFrame.h"
#include "app/CmdUI.h"
#include "app/DocTemplate.h"
#include "app/RecentFileList.h"
#include "app/ToolbarIcon.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <iterator>

namespace {
// Command ids, kept as each action's data.
enum CommandId : int {
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_CONVERT_TIFF = 32771,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_EXIT = 57665,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_CUT = 57635,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_WINDOW_NEW = 57648,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_WINDOW_ARRANGE = 57649,
    ID_APP_ABOUT = 57664,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
};

struct CommandText {
    int id;
    const char* name;
    const char* text;   // menu text
    const char* prompt; // status-bar prompt, then after '\n' the tool tip
};

constexpr CommandText kCommands[] = {
    {ID_FILE_OPEN, "ID_FILE_OPEN", QT_TRANSLATE_NOOP("CMainFrame", "&Open...\tCtrl+O"),
     QT_TRANSLATE_NOOP("CMainFrame", "Open an existing document\nOpen")},
    {ID_FILE_CLOSE, "ID_FILE_CLOSE", QT_TRANSLATE_NOOP("CMainFrame", "&Close"),
     QT_TRANSLATE_NOOP("CMainFrame", "Close the active document\nClose")},
    {ID_CONVERT_TIFF, "ID_CONVERT_TIFF", QT_TRANSLATE_NOOP("CMainFrame", "&Save\tCtrl+S"),
     QT_TRANSLATE_NOOP("CMainFrame", "Conversion to 16 bits TIFF")},
    {ID_FILE_PRINT, "ID_FILE_PRINT", QT_TRANSLATE_NOOP("CMainFrame", "&Print...\tCtrl+P"),
     QT_TRANSLATE_NOOP("CMainFrame", "Print the active document\nPrint")},
    {ID_FILE_PRINT_PREVIEW, "ID_FILE_PRINT_PREVIEW",
     QT_TRANSLATE_NOOP("CMainFrame", "Print Pre&view"),
     QT_TRANSLATE_NOOP("CMainFrame", "Display full pages\nPrint Preview")},
    {ID_FILE_PRINT_SETUP, "ID_FILE_PRINT_SETUP", QT_TRANSLATE_NOOP("CMainFrame", "P&rint Setup..."),
     QT_TRANSLATE_NOOP("CMainFrame", "Change the printer and printing options\nPrint Setup")},
    {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", QT_TRANSLATE_NOOP("CMainFrame", "Recent File"),
     QT_TRANSLATE_NOOP("CMainFrame", "Open this document")},
    {ID_APP_EXIT, "ID_APP_EXIT", QT_TRANSLATE_NOOP("CMainFrame", "E&xit"),
     QT_TRANSLATE_NOOP("CMainFrame", "Quit the application; prompts to save documents\nExit")},
    {ID_EDIT_UNDO, "ID_EDIT_UNDO", QT_TRANSLATE_NOOP("CMainFrame", "&Undo\tCtrl+Z"),
     QT_TRANSLATE_NOOP("CMainFrame", "Undo the last action\nUndo")},
    {ID_EDIT_CUT, "ID_EDIT_CUT", QT_TRANSLATE_NOOP("CMainFrame", "Cu&t\tCtrl+X"),
     QT_TRANSLATE_NOOP("CMainFrame", "Cut the selection and put it on the Clipboard\nCut")},
    {ID_EDIT_COPY, "ID_EDIT_COPY", QT_TRANSLATE_NOOP("CMainFrame", "&Copy\tCtrl+C"),
     QT_TRANSLATE_NOOP("CMainFrame", "Copy the selection and put it on the Clipboard\nCopy")},
    {ID_EDIT_PASTE, "ID_EDIT_PASTE", QT_TRANSLATE_NOOP("CMainFrame", "&Paste\tCtrl+V"),
     QT_TRANSLATE_NOOP("CMainFrame", "Insert Clipboard contents\nPaste")},
    {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", QT_TRANSLATE_NOOP("CMainFrame", "&Toolbar"),
     QT_TRANSLATE_NOOP("CMainFrame", "Show or hide the toolbar\nToggle ToolBar")},
    {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", QT_TRANSLATE_NOOP("CMainFrame", "&Status Bar"),
     QT_TRANSLATE_NOOP("CMainFrame", "Show or hide the status bar\nToggle StatusBar")},
    {ID_WINDOW_NEW, "ID_WINDOW_NEW", QT_TRANSLATE_NOOP("CMainFrame", "&New Window"),
     QT_TRANSLATE_NOOP("CMainFrame", "Open another window for the active document\nNew Window")},
    {ID_WINDOW_CASCADE, "ID_WINDOW_CASCADE", QT_TRANSLATE_NOOP("CMainFrame", "&Cascade"),
     QT_TRANSLATE_NOOP("CMainFrame", "Arrange windows so they overlap\nCascade Windows")},
    {ID_WINDOW_TILE_HORZ, "ID_WINDOW_TILE_HORZ", QT_TRANSLATE_NOOP("CMainFrame", "&Tile"),
     QT_TRANSLATE_NOOP("CMainFrame", "Arrange windows as non-overlapping tiles\nTile Windows")},
    {ID_WINDOW_ARRANGE, "ID_WINDOW_ARRANGE", QT_TRANSLATE_NOOP("CMainFrame", "&Arrange Icons"),
     QT_TRANSLATE_NOOP("CMainFrame", "Arrange icons at the bottom of the window\nArrange Icons")},
    {ID_APP_ABOUT, "ID_APP_ABOUT", QT_TRANSLATE_NOOP("CMainFrame", "&About Quorvane..."),
     QT_TRANSLATE_NOOP("CMainFrame",
                       "Display program information, version number and copyright\nAbout")},
    {ID_NEXT_PANE, "ID_NEXT_PANE", "",
     QT_TRANSLATE_NOOP("CMainFrame", "Switch to the next window pane\nNext Pane")},
    {ID_PREV_PANE, "ID_PREV_PANE", "",
     QT_TRANSLATE_NOOP("CMainFrame", "Switch back to the previous window pane\nPrevious Pane")},
};

const CommandText& Command(int id) {
    for (const CommandText& command : kCommands) {
        if (command.id == id)
            return command;
    }
    return kCommands[0]; // unreachable for the ids above
}

QString Prompt(int id) {
    return CMainFrame::tr(Command(id).prompt).section(QLatin1Char('\n'), 0, 0);
}

QString Tip(int id) {
    const QString prompt = CMainFrame::tr(Command(id).prompt);
    const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : prompt.mid(newline + 1);
}

QString WindowListText(const char* text) {
    return QCoreApplication::translate("WindowList", text);
}

// Lists every window; returns the chosen index or -1.
int RunWindowListDialog(QWidget* parent, const QStringList& titles, int current) {
    QDialog dialog(parent);
    dialog.setWindowTitle(WindowListText(QT_TRANSLATE_NOOP("WindowList", "Select Window")));
    auto* list = new QListWidget(&dialog);
    list->addItems(titles);
    list->setCurrentRow(current);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? list->currentRow() : -1;
}

// Swallows tool tips: the convert button has a status prompt but no tip.
class NoToolTip final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        return event->type() == QEvent::ToolTip || QObject::eventFilter(watched, event);
    }
};
} // namespace

QAction* CMainFrame::Action(int id) const {
    const QList<QAction*> all = findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly);
    for (QAction* action : all) {
        if (action->data().toInt() == id && action != m_pToolOpen && action != m_pToolConvert)
            return action;
    }
    return nullptr;
}

void CMainFrame::CreateActions() {
    auto make = [this](int id, auto handler) {
        const CommandText& command = Command(id);
        auto* action = new QAction(tr(command.text), this);
        action->setObjectName(QString::fromLatin1(command.name));
        action->setData(id);
        action->setStatusTip(Prompt(id));
        action->setToolTip(Tip(id));
        connect(action, &QAction::triggered, this, handler);
        addAction(action); // shortcuts work whichever menu is shown
        return action;
    };
    m_pActOpen = make(ID_FILE_OPEN, [this] { OnFileOpen(); });
    m_pActOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    make(ID_FILE_CLOSE, [this] { OnFileClose(); });
    m_pActConvert = make(ID_CONVERT_TIFF, [this] { OnConvert(); });
    m_pActConvert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    make(ID_FILE_PRINT, [this] { OnFilePrint(); })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    make(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
    make(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    make(ID_APP_EXIT, [this] { close(); });
    // Undo, cut, copy and paste have no handler anywhere: always disabled.
    const struct {
        int id;
        QList<QKeySequence> keys;
    } edits[] = {
        {ID_EDIT_UNDO,
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
        {ID_EDIT_CUT,
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
        {ID_EDIT_COPY,
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
        {ID_EDIT_PASTE,
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
    };
    for (const auto& edit : edits) {
        QAction* action = make(edit.id, [] {});
        action->setShortcuts(edit.keys);
        action->setEnabled(false);
    }
    m_pActToolbar = make(ID_VIEW_TOOLBAR, [] {});
    m_pActToolbar->setCheckable(true);
    m_pActToolbar->setChecked(true);
    m_pActStatusBar = make(ID_VIEW_STATUS_BAR, [] {});
    m_pActStatusBar->setCheckable(true);
    m_pActStatusBar->setChecked(true);
    make(ID_WINDOW_NEW, [this] { OnWindowNew(); });
    make(ID_WINDOW_CASCADE, [this] { m_pMdiArea->cascadeSubWindows(); });
    make(ID_WINDOW_TILE_HORZ, [this] { m_pMdiArea->tileSubWindows(); });
    make(ID_WINDOW_ARRANGE, [this] { OnWindowArrange(); });
    make(ID_APP_ABOUT, [this] { OnAppAbout(); });
    make(ID_NEXT_PANE, [this] {
        m_pMdiArea->activateNextSubWindow();
    })->setShortcut(QKeySequence(Qt::Key_F6));
    make(ID_PREV_PANE, [this] {
        m_pMdiArea->activatePreviousSubWindow();
    })->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    CreateWindowKeys();
    CreateRecentFileActions();
}

void CMainFrame::CreateWindowKeys() {
    // The usual MDI window keys, without menu items of their own.
    const struct {
        const char* name;
        QList<QKeySequence> keys;
        void (CMainFrame::*handler)();
    } keys[] = {
        {"ID_WINDOW_CLOSE",
         {QKeySequence(Qt::CTRL | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_W)},
         &CMainFrame::CloseActiveWindow},
        {"ID_WINDOW_NEXT", {QKeySequence(Qt::CTRL | Qt::Key_Tab)}, &CMainFrame::NextWindow},
        {"ID_WINDOW_PREVIOUS",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
         &CMainFrame::PreviousWindow},
    };
    for (const auto& key : keys) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(key.name));
        action->setShortcuts(key.keys);
        connect(action, &QAction::triggered, this, key.handler);
        addAction(action);
    }
}

void CMainFrame::CloseActiveWindow() {
    if (QMdiSubWindow* window = m_pMdiArea->activeSubWindow())
        window->close(); // a window whose document a run uses waits for its end
}

void CMainFrame::NextWindow() {
    m_pMdiArea->activateNextSubWindow();
}

void CMainFrame::PreviousWindow() {
    m_pMdiArea->activatePreviousSubWindow();
}

void CMainFrame::CreateRecentFileActions() {
    // A disabled placeholder while the list is empty, else one item per file.
    m_pActRecentPlaceholder = new QAction(tr(Command(ID_FILE_MRU_FILE1).text), this);
    m_pActRecentPlaceholder->setObjectName(QStringLiteral("ID_FILE_MRU_FILE1"));
    m_pActRecentPlaceholder->setData(ID_FILE_MRU_FILE1);
    m_pActRecentPlaceholder->setStatusTip(Prompt(ID_FILE_MRU_FILE1));
    m_pActRecentPlaceholder->setEnabled(false);
    for (int i = 0; i < RecentFileList::kMaxFiles; ++i) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("ID_FILE_MRU_FILE%1").arg(i + 1));
        action->setData(ID_FILE_MRU_FILE1 + i);
        action->setStatusTip(Prompt(ID_FILE_MRU_FILE1));
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        m_recentActions.append(action);
    }
}

QMenu* CMainFrame::CreateFileMenu(bool documentMenu) {
    auto* menu = new QMenu(tr("&File"), this);
    menu->addAction(m_pActOpen);
    if (documentMenu) {
        menu->addAction(Action(ID_FILE_CLOSE));
        menu->addAction(m_pActConvert);
    }
    menu->addSeparator();
    if (documentMenu) {
        menu->addAction(Action(ID_FILE_PRINT));
        menu->addAction(Action(ID_FILE_PRINT_PREVIEW));
    }
    menu->addAction(Action(ID_FILE_PRINT_SETUP));
    menu->addSeparator();
    menu->addAction(m_pActRecentPlaceholder);
    menu->addActions(m_recentActions);
    menu->addSeparator();
    menu->addAction(Action(ID_APP_EXIT));
    // Save follows its update rule whenever the menu opens, during a run too.
    connect(menu, &QMenu::aboutToShow, this, [this] {
        CActionCmdUI cmdUI(ID_CONVERT_TIFF, m_pActConvert);
        OnUpdateConvert(&cmdUI);
    });
    return menu;
}

QMenu* CMainFrame::CreateViewMenu() {
    auto* menu = new QMenu(tr("&View"), this);
    menu->addAction(m_pActToolbar);
    menu->addAction(m_pActStatusBar);
    return menu;
}

QMenu* CMainFrame::CreateHelpMenu() {
    auto* menu = new QMenu(tr("&Help"), this);
    menu->addAction(Action(ID_APP_ABOUT));
    return menu;
}

void CMainFrame::CreateMenus() {
    m_menus128 = {CreateFileMenu(false), CreateViewMenu(), CreateHelpMenu()};

    auto* edit = new QMenu(tr("&Edit"), this);
    edit->addAction(Action(ID_EDIT_UNDO));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_CUT));
    edit->addAction(Action(ID_EDIT_COPY));
    edit->addAction(Action(ID_EDIT_PASTE));

    m_pWindowMenu = new QMenu(tr("&Window"), this);
    m_pWindowMenu->addAction(Action(ID_WINDOW_NEW));
    m_pWindowMenu->addAction(Action(ID_WINDOW_CASCADE));
    m_pWindowMenu->addAction(Action(ID_WINDOW_TILE_HORZ));
    m_pWindowMenu->addAction(Action(ID_WINDOW_ARRANGE));
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);

    m_menus129 = {CreateFileMenu(true), edit, CreateViewMenu(), m_pWindowMenu, CreateHelpMenu()};
    m_nCurrentMenu = 0; // forces the first UpdateMenuForDocuments to fill the bar
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(tr("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(false);
    m_wndToolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->toggleViewAction()->setVisible(false);

    // Open and convert have toolbar actions of their own: a run disables the
    // buttons while the menu's Open stays available.
    m_pToolOpen = new QAction(ToolbarIcon("open"), Tip(ID_FILE_OPEN), this);
    m_pToolOpen->setObjectName(QStringLiteral("ID_FILE_OPEN_TOOL"));
    m_pToolOpen->setData(ID_FILE_OPEN);
    m_pToolOpen->setStatusTip(Prompt(ID_FILE_OPEN));
    m_pToolOpen->setToolTip(Tip(ID_FILE_OPEN));
    connect(m_pToolOpen, &QAction::triggered, this, [this] { OnFileOpen(); });
    m_pToolConvert = new QAction(ToolbarIcon("convert"), Prompt(ID_CONVERT_TIFF), this);
    m_pToolConvert->setObjectName(QStringLiteral("ID_CONVERT_TIFF_TOOL"));
    m_pToolConvert->setData(ID_CONVERT_TIFF);
    m_pToolConvert->setStatusTip(Prompt(ID_CONVERT_TIFF));
    connect(m_pToolConvert, &QAction::triggered, this, [this] { OnConvert(); });

    Action(ID_EDIT_CUT)->setIcon(ToolbarIcon("cut"));
    Action(ID_EDIT_COPY)->setIcon(ToolbarIcon("copy"));
    Action(ID_EDIT_PASTE)->setIcon(ToolbarIcon("paste"));
    Action(ID_FILE_PRINT)->setIcon(ToolbarIcon("print"));
    Action(ID_APP_ABOUT)->setIcon(ToolbarIcon("about"));

    m_wndToolBar->addAction(m_pToolOpen);
    m_wndToolBar->addAction(m_pToolConvert);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_EDIT_CUT));
    m_wndToolBar->addAction(Action(ID_EDIT_COPY));
    m_wndToolBar->addAction(Action(ID_EDIT_PASTE));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_FILE_PRINT));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(ID_APP_ABOUT));
    if (QWidget* button = m_wndToolBar->widgetForAction(m_pToolConvert))
        button->installEventFilter(new NoToolTip(button));
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    connect(m_pActToolbar, &QAction::toggled, m_wndToolBar, &QWidget::setVisible);
}

void CMainFrame::UpdateMenuForDocuments() {
    // Commands handled by a recording window are available only with one.
    const bool active = MDIGetActive() != nullptr;
    for (int id : {ID_FILE_CLOSE, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_WINDOW_NEW,
                   ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE})
        Action(id)->setEnabled(active);

    const int wanted = m_pDocTemplate->Documents().empty() ? 128 : 129;
    if (wanted == m_nCurrentMenu)
        return;
    m_nCurrentMenu = wanted;
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* menu : wanted == 128 ? m_menus128 : m_menus129)
        bar->addMenu(menu);
}

void CMainFrame::UpdateWindowMenu() {
    // The list of open windows follows the fixed items, as "&1 title", the
    // active one checked.
    qDeleteAll(m_windowListActions);
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    // A window not painted yet (a message held its first paint back) still
    // lists its frame.
    for (QMdiSubWindow* window : windows) {
        if (auto* child = qobject_cast<CChildFrame*>(window); child && child->GetActiveDocument())
            child->GetActiveDocument()->UpdateTitle();
    }
    m_windowListActions.append(m_pWindowMenu->addSeparator());
    const QMdiSubWindow* current = m_pMdiArea->currentSubWindow();
    for (qsizetype i = 0; i < windows.size() && i < 9; ++i) {
        QMdiSubWindow* window = windows[i];
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_pWindowMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        action->setCheckable(true);
        action->setChecked(window == current);
        action->setStatusTip(tr("Activate this window"));
        connect(action, &QAction::triggered, this, [this, window] {
            if (m_pMdiArea->subWindowList().contains(window))
                m_pMdiArea->setActiveSubWindow(window);
        });
        m_windowListActions.append(action);
    }
    if (windows.size() > 9) {
        QAction* more = m_pWindowMenu->addAction(
            WindowListText(QT_TRANSLATE_NOOP("WindowList", "&More Windows\u2026")));
        more->setObjectName(QStringLiteral("ID_WINDOW_MORE"));
        more->setStatusTip(tr("Activate this window"));
        connect(more, &QAction::triggered, this, &CMainFrame::OnWindowMore);
        m_windowListActions.append(more);
    }
}

void CMainFrame::OnWindowMore() {
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    QStringList titles;
    for (const QMdiSubWindow* window : windows)
        titles << window->windowTitle();
    const int current = static_cast<int>(windows.indexOf(m_pMdiArea->currentSubWindow()));
    const int chosen = m_windowListDialog ? m_windowListDialog(this, titles, current)
                                          : RunWindowListDialog(this, titles, current);
    // The dialog ran an event loop: the window may have gone meanwhile.
    if (chosen >= 0 && chosen < windows.size() &&
        m_pMdiArea->subWindowList().contains(windows[chosen]))
        m_pMdiArea->setActiveSubWindow(windows[chosen]);
}

void CMainFrame::UpdateRecentFileMenu() {
    const QStringList& files = m_pRecentFiles->Files();
    m_pActRecentPlaceholder->setVisible(files.isEmpty());
    for (int i = 0; i < static_cast<int>(m_recentActions.size()); ++i) {
        QAction* action = m_recentActions[i];
        action->setVisible(i < files.size());
        action->setText(i < files.size() ? m_pRecentFiles->MenuText(i) : QString());
    }
}
