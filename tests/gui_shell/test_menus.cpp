// SPDX-License-Identifier: BSD-3-Clause
// Menus, toolbar, accelerators, status bar and About box, in English and in
// Japanese.
#include "ShellTestSupport.h"

#include "app/CAboutDialog.h"
#include "app/CChildFrame.h"
#include "app/ConversionBar.h"

#include <QAction>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QTranslator>

#include <vector>

namespace {
struct Item {
    int id; // 0: separator
    const char* english;
    const char* japanese;
};
struct Popup {
    const char* english;
    const char* japanese;
    std::vector<Item> items;
};

const Item kSep{0, "", ""};
const Item kOpen{57601, "&Open...\tCtrl+O", "開く(&O)...\tCtrl+O"};
const Item kSetup{57606, "P&rint Setup...", "ﾌﾟﾘﾝﾀの設定(&R)..."};
const Item kRecent{57616, "Recent File", "最近使ったﾌｧｲﾙ"};
const Item kExit{57665, "E&xit", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"};
const Popup kView{"&View",
                  "表示(&V)",
                  {{59392, "&Toolbar", "ﾂｰﾙ ﾊﾞｰ(&T)"}, {59393, "&Status Bar", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"}}};
// With a recording open the View menu also has the zoom, display range and
// Go to Frame commands.
const Popup kView129{"&View",
                     "表示(&V)",
                     {{59392, "&Toolbar", "ﾂｰﾙ ﾊﾞｰ(&T)"},
                      {59393, "&Status Bar", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"},
                      {0, "", ""},
                      {32790, "&Fit to Window", "ｳｨﾝﾄﾞｳに合わせる(&F)"},
                      {32791, "&Actual Size", "実際のｻｲｽﾞ(&A)"},
                      {32792, "Zoom &In", "拡大(&I)"},
                      {32793, "Zoom &Out", "縮小(&O)"},
                      {0, "", ""},
                      {32794, "&Display Range", "表示範囲(&D)"},
                      {0, "", ""},
                      {32799, "&Go to Frame...\tCtrl+G", "ﾌﾚｰﾑへ移動(&G)...\tCtrl+G"},
                      {32820, "Go to &Trigger\tT", "ﾄﾘｶﾞｰへ移動(&T)\tT"},
                      {0, "", ""},
                      {32873, "&Measurements", "計測(&M)"},
                      {32874, "Scale &Bar", "ｽｹｰﾙ ﾊﾞｰ(&B)"}}};
// The measuring tools, between View and Window.
const Popup kTools{"&Tools",
                   "ﾂｰﾙ(&T)",
                   {{32860, "&Pointer", "ﾎﾟｲﾝﾀ(&P)"},
                    {32861, "&Rectangle", "矩形(&R)"},
                    {32862, "&Ellipse", "楕円(&E)"},
                    {32863, "&Line", "線(&L)"},
                    {32864, "P&oint", "点(&O)"},
                    {0, "", ""},
                    {32865, "&Track", "追跡(&T)"},
                    {32866, "&New Track", "新しい追跡(&N)"},
                    {32867, "Clear Trac&ks", "追跡の消去(&K)"},
                    {0, "", ""},
                    {32868, "&Delete Shape\tDel", "図形の削除(&D)\tDel"},
                    {0, "", ""},
                    {32869, "Plot O&ver Time", "時間変化のｸﾞﾗﾌ(&V)"},
                    {32870, "Line Pro&file", "ﾗｲﾝ ﾌﾟﾛﾌｧｲﾙ(&F)"},
                    {0, "", ""},
                    {32871, "Set &Scale\u2026", "ｽｹｰﾙの設定(&S)\u2026"},
                    {32872, "Clear Sc&ale", "ｽｹｰﾙの消去(&A)"}}};
const Popup kHelp{
    "&Help", "ﾍﾙﾌﾟ(&H)", {{57664, "&About Quorvane...", "Quorvane のﾊﾞｰｼﾞｮﾝ情報(&A)..."}}};

const std::vector<Popup> kMenu128{
    {"&File", "ﾌｧｲﾙ(&F)", {kOpen, kSep, kSetup, kSep, kRecent, kSep, kExit}}, kView, kHelp};

const std::vector<Popup> kMenu129{{"&File",
                                   "ﾌｧｲﾙ(&F)",
                                   {kOpen,
                                    {57602, "&Close", "閉じる(&C)"},
                                    {32771, "&Save\tCtrl+S", "変換保存(&S)\tCtrl+S"},
                                    {32801, "&Export...\tCtrl+E", "ｴｸｽﾎﾟｰﾄ(&E)...\tCtrl+E"},
                                    kSep,
                                    {57607, "&Print...\tCtrl+P", "印刷(&P)...\tCtrl+P"},
                                    {57609, "Print Pre&view", "印刷ﾌﾟﾚﾋﾞｭｰ(&V)"},
                                    kSetup,
                                    kSep,
                                    kRecent,
                                    kSep,
                                    {32800, "Propert&ies...\tAlt+Enter",
                                     "ﾌﾟﾛﾊﾟﾃｨ(&I)...\tAlt+Enter"},
                                    kSep,
                                    kExit}},
                                  {"&Edit",
                                   "編集(&E)",
                                   {{57643, "&Undo\tCtrl+Z", "元に戻す(&U)\tCtrl+Z"},
                                    kSep,
                                    {57635, "Cu&t\tCtrl+X", "切り取り(&T)\tCtrl+X"},
                                    {57634, "&Copy\tCtrl+C", "ｺﾋﾟｰ(&C)\tCtrl+C"},
                                    {57637, "&Paste\tCtrl+V", "貼り付け(&P)\tCtrl+V"}}},
                                  kView129,
                                  kTools,
                                  {"&Window",
                                   "ｳｨﾝﾄﾞｳ(&W)",
                                   {{57648, "&New Window", "新しいｳｨﾝﾄﾞｳを開く(&N)"},
                                    {57650, "&Cascade", "重ねて表示(&C)"},
                                    {57651, "&Tile", "並べて表示(&T)"},
                                    {57649, "&Arrange Icons", "ｱｲｺﾝの整列(&A)"},
                                    kSep,
                                    {32821, "&Synchronize Views", "ﾋﾞｭｰを同期(&S)"}}},
                                  kHelp};

// Visible items of the menu bar, compared with the table in one language.
void ExpectMenus(QMenuBar* bar, const std::vector<Popup>& expected, bool japanese) {
    const QList<QAction*> popups = bar->actions();
    ASSERT_EQ(popups.size(), static_cast<qsizetype>(expected.size()));
    for (size_t p = 0; p < expected.size(); ++p) {
        const Popup& popup = expected[p];
        EXPECT_EQ(popups[p]->text(), QString::fromUtf8(japanese ? popup.japanese : popup.english));
        QList<QAction*> items;
        for (QAction* action : popups[p]->menu()->actions()) {
            if (action->isVisible())
                items.append(action);
        }
        ASSERT_EQ(items.size(), static_cast<qsizetype>(popup.items.size())) << popup.english;
        for (size_t i = 0; i < popup.items.size(); ++i) {
            const Item& item = popup.items[i];
            if (item.id == 0) {
                EXPECT_TRUE(items[i]->isSeparator()) << popup.english << " item " << i;
                continue;
            }
            EXPECT_EQ(items[i]->data().toInt(), item.id) << popup.english << " item " << i;
            // The recent-file placeholder gives way to the first listed file.
            if (item.id == 57616 && items[i]->text().startsWith("&1 "))
                continue;
            EXPECT_EQ(items[i]->text(), QString::fromUtf8(japanese ? item.japanese : item.english));
        }
    }
}

class ShellMenus : public ShellTest {
protected:
    void CheckBothMenus(bool japanese) {
        auto frame = MakeFrame();
        EXPECT_EQ(frame->CurrentMenuId(), 128);
        ExpectMenus(frame->menuBar(), kMenu128, japanese);
        ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn")));
        EXPECT_EQ(frame->CurrentMenuId(), 129);
        ExpectMenus(frame->menuBar(), kMenu129, japanese);
        // No File New anywhere.
        EXPECT_EQ(frame->Action(57600), nullptr);
    }
};
} // namespace

TEST_F(ShellMenus, BothMenusInEnglish) {
    CheckBothMenus(false);
}

TEST_F(ShellMenus, BothMenusInJapanese) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(":/i18n/quorvane_ja.qm"));
    QCoreApplication::installTranslator(&translator);
    CheckBothMenus(true);
    auto frame = MakeFrame();
    EXPECT_EQ(frame->statusBar()->findChild<QLabel*>("ID_SEPARATOR")->text(), "ﾚﾃﾞｨ");
    EXPECT_EQ(frame->Action(57601)->statusTip(), "既存のVORNﾌｧｲﾙを開く");
    EXPECT_EQ(frame->Action(57601)->toolTip(), "開く");
    EXPECT_EQ(frame->Action(32771)->statusTip(), "16ﾋﾞｯﾄTIFFへの変換");
    EXPECT_EQ(CAboutDialog().windowTitle(), "Quorvaneのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(QCoreApplication::translate("CMainFrame", "VORN File (*.vrn)"), "VORN ﾌｧｲﾙ (*.vrn)");
    EXPECT_EQ(QCoreApplication::translate("ConversionBar", "Identical Frames   Start"),
              "変換区間\u3000開始");
    QCoreApplication::removeTranslator(&translator);
}

TEST_F(ShellMenus, AcceleratorsAndDisabledEditCommands) {
    auto frame = MakeFrame();
    const auto keys = [&](int id) { return frame->Action(id)->shortcuts(); };
    using K = QKeySequence;
    EXPECT_EQ(keys(57601), QList<K>{K("Ctrl+O")});
    EXPECT_EQ(keys(32771), QList<K>{K("Ctrl+S")});
    EXPECT_EQ(keys(57607), QList<K>{K("Ctrl+P")});
    EXPECT_EQ(keys(57634), (QList<K>{K("Ctrl+C"), K("Ctrl+Ins")}));
    EXPECT_EQ(keys(57637), (QList<K>{K("Ctrl+V"), K("Shift+Ins")}));
    EXPECT_EQ(keys(57635), (QList<K>{K("Ctrl+X"), K("Shift+Del")}));
    EXPECT_EQ(keys(57643), (QList<K>{K("Ctrl+Z"), K("Alt+Backspace")}));
    EXPECT_EQ(keys(57680), QList<K>{K("F6")});
    EXPECT_EQ(keys(57681), QList<K>{K("Shift+F6")});
    // Reachable whichever menu is shown: the actions belong to the window.
    EXPECT_TRUE(frame->actions().contains(frame->Action(57680)));

    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("clip.vrn")));
    for (int id : {57643, 57635, 57634, 57637})
        EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
}

TEST_F(ShellMenus, MoreWindowsReachesEveryWindowBeyondTheNinth) {
    auto frame = MakeFrame();
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("a.vrn")));
    QMenu* window = frame->menuBar()->actions().value(4)->menu();
    ASSERT_TRUE(window);
    const auto more = [&] {
        emit window->aboutToShow();
        return window->findChild<QAction*>("ID_WINDOW_MORE");
    };
    for (int i = 0; i < 8; ++i)
        frame->Action(57648)->trigger(); // New Window: nine windows in all
    EXPECT_EQ(more(), nullptr);
    frame->Action(57648)->trigger();
    QAction* item = more();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QString::fromUtf8("&More Windows\u2026"));
    EXPECT_EQ(window->actions().last(), item);
    QStringList listed;
    frame->SetWindowListDialog([&](QWidget*, const QStringList& titles, int current) {
        listed = titles;
        EXPECT_EQ(current, 9);
        return 0;
    });
    item->trigger();
    EXPECT_EQ(listed.size(), 10);
    EXPECT_EQ(frame->MdiArea()->currentSubWindow(), frame->MdiArea()->subWindowList().first());
    EXPECT_EQ(QCoreApplication::translate("WindowList", "&More Windows\u2026"), item->text());

    QTranslator translator;
    ASSERT_TRUE(translator.load(":/i18n/quorvane_ja.qm"));
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(more()->text(), QString::fromUtf8("その他のｳｨﾝﾄﾞｳ(&M)\u2026"));
    QCoreApplication::removeTranslator(&translator);
}

TEST_F(ShellMenus, NextAndPreviousPaneCycleTheWindows) {
    auto frame = MakeFrame();
    frame->show();
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("a.vrn")));
    ASSERT_TRUE(frame->OpenDocumentFile(MakeRecording("b.vrn")));
    const QString b = frame->MDIGetActive()->FrameTitle();
    frame->Action(57680)->trigger();
    EXPECT_NE(frame->MDIGetActive()->FrameTitle(), b);
    frame->Action(57681)->trigger();
    EXPECT_EQ(frame->MDIGetActive()->FrameTitle(), b);
}

TEST_F(ShellMenus, ToolbarOrderPromptsAndTips) {
    auto frame = MakeFrame();
    std::vector<int> ids;
    for (QAction* action : frame->m_wndToolBar->actions())
        ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(ids, (std::vector<int>{57601, 32771, 0, 57635, 57634, 57637, 0, 57607, 0, 57664}));
    EXPECT_EQ(frame->m_pToolOpen->statusTip(), "Open an existing document");
    EXPECT_EQ(frame->m_pToolOpen->toolTip(), "Open");
    EXPECT_EQ(frame->m_pToolConvert->statusTip(), "Conversion to 16 bits TIFF");
    EXPECT_EQ(frame->Action(57635)->toolTip(), "Cut");
    EXPECT_EQ(frame->Action(57607)->statusTip(), "Print the active document");
    EXPECT_EQ(frame->Action(57664)->toolTip(), "About");
    EXPECT_EQ(frame->Action(57664)->statusTip(),
              "Display program information, version number and copyright");
    for (QAction* action : frame->m_wndToolBar->actions())
        EXPECT_TRUE(action->isSeparator() || !action->icon().isNull()) << action->data().toInt();
    // Hovering shows a tip for Open but none for convert.
    frame->show();
    const auto tipShown = [&](QAction* action) {
        QWidget* button = frame->m_wndToolBar->widgetForAction(action);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        const bool shown = QToolTip::isVisible();
        QToolTip::hideText();
        return shown;
    };
    EXPECT_FALSE(tipShown(frame->m_pToolConvert));
    EXPECT_TRUE(tipShown(frame->m_pToolOpen));
    // The toolbar and the conversion bar are two movable bands at the top.
    EXPECT_TRUE(frame->m_wndToolBar->isMovable());
    EXPECT_TRUE(frame->m_wndReBar->isMovable());
    EXPECT_EQ(frame->toolBarArea(frame->m_wndReBar), Qt::TopToolBarArea);
    EXPECT_EQ(frame->m_wndDlgBar->parentWidget(), frame->m_wndReBar);
}

// The toolbar and the bar's buttons show the program's own images at 16 x 15
// and twice that, whatever icon theme the desktop has.
TEST_F(ShellMenus, ToolbarAndBarButtonsShowTheProgramsOwnImages) {
    QIcon::setThemeName(QStringLiteral("hicolor"));
    auto frame = MakeFrame();
    const auto same = [](const QIcon& icon, const char* name) -> testing::AssertionResult {
        const QString base = QStringLiteral(":/toolbar/%1").arg(QLatin1String(name));
        const QImage small(base + ".png");
        const QImage large(base + "@2x.png");
        if (small.isNull() || large.size() != small.size() * 2)
            return testing::AssertionFailure() << "images missing";
        // Compared premultiplied, as a pixmap holds it.
        constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;
        const QImage shown = icon.pixmap(small.size()).toImage().convertToFormat(kFormat);
        if (shown != small.convertToFormat(kFormat))
            return testing::AssertionFailure()
                   << "shown " << shown.width() << "x" << shown.height();
        if (!icon.availableSizes().contains(large.size()))
            return testing::AssertionFailure() << "no 2x: " << icon.availableSizes().size();
        return testing::AssertionSuccess();
    };
    const std::pair<QAction*, const char*> tools[] = {
        {frame->m_pToolOpen, "open"},    {frame->m_pToolConvert, "convert"},
        {frame->Action(57635), "cut"},   {frame->Action(57634), "copy"},
        {frame->Action(57637), "paste"}, {frame->Action(57607), "print"},
        {frame->Action(57664), "about"}};
    for (const auto& [action, name] : tools) {
        EXPECT_TRUE(same(action->icon(), name)) << name;
        EXPECT_EQ(QImage(QStringLiteral(":/toolbar/%1.png").arg(QLatin1String(name))).size(),
                  QSize(16, 15));
    }
    for (const auto& [id, name] : {std::pair{1006, "top"}, {1007, "play"}, {1008, "abort"}}) {
        const auto* button = qobject_cast<QPushButton*>(frame->m_wndDlgBar->Control(id));
        ASSERT_TRUE(button);
        EXPECT_TRUE(same(button->icon(), name)) << name;
    }
    QIcon::setThemeName(QString());
}

TEST_F(ShellMenus, ViewTogglesAndStatusBarPanes) {
    auto frame = MakeFrame();
    frame->show();
    frame->Action(59392)->trigger();
    EXPECT_FALSE(frame->m_wndToolBar->isVisible());
    EXPECT_TRUE(frame->m_wndReBar->isVisible());
    frame->Action(59393)->trigger();
    EXPECT_FALSE(frame->m_wndStatusBar->isVisible());
    frame->Action(59392)->trigger();
    EXPECT_TRUE(frame->m_wndToolBar->isVisible());
    EXPECT_TRUE(frame->Action(59392)->isChecked());

    QStringList panes;
    for (QLabel* label : frame->m_wndStatusBar->findChildren<QLabel*>())
        panes.append(label->text());
    // Then the playback rate, pixel readout and frame time panes (placed
    // before KANA), empty until a playback runs, the cursor is over a frame
    // or a recording is open.
    EXPECT_EQ(panes, (QStringList{"Ready", "KANA", "CAPS", "NUM", "SCRL", "", "", ""}));
}

TEST(ShellAboutBox, CaptionLinesAndDefaultButton) {
    CAboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "About Quorvane");
    EXPECT_EQ(dialog.findChild<QLabel*>("IDC_STATIC_VERSION")->text(), "Quorvane Version 1.1");
    EXPECT_FALSE(dialog.findChild<QLabel*>("IDC_STATIC_ABOUT")->text().isEmpty());
    EXPECT_FALSE(dialog.findChild<QLabel*>("IDR_MAINFRAME")->pixmap().isNull());
    auto* ok = dialog.findChild<QPushButton*>("IDOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
