// SPDX-License-Identifier: BSD-3-Clause
// Profile values: the placement record, the output depth, the recent files,
// and the language choice.
#include "ShellTestSupport.h"

#include "app/Language.h"
#include "app/Profile.h"
#include "app/RecentFileList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using Members = std::array<int32_t, 11>;

TEST(ShellPlacementText, ReadsElevenMembersAndFormatsThemBack) {
    const std::string text = "44,0,1,-1,-1,-32000,-32000,22,22,822,622";
    const WindowPlacement placement = ParsePlacement(text);
    EXPECT_EQ(placement.Members(), (Members{44, 0, 1, -1, -1, -32000, -32000, 22, 22, 822, 622}));
    EXPECT_EQ(FormatPlacement(placement), text);
}

TEST(ShellPlacementText, ShortListRepeatsFromItsStart) {
    EXPECT_EQ(ParsePlacement("1,2,3,4").Members(), (Members{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3}));
    EXPECT_EQ(ParsePlacement("7").Members(), (Members{7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
}

TEST(ShellPlacementText, DamagedMembersReadAsZeroOrTheirLeadingNumber) {
    // "x" and the empty member have no leading number; "12px" reads 12.
    EXPECT_EQ(ParsePlacement("44,x,3,,12px, -5,+6").Members(),
              (Members{44, 0, 3, 0, 12, -5, 6, 44, 0, 3, 0}));
    EXPECT_EQ(ParsePlacement("99999999999,-99999999999").Members()[0], INT32_MAX);
    EXPECT_EQ(ParsePlacement("99999999999,-99999999999").Members()[1], INT32_MIN);
}

TEST(ShellBitSel, MissingOrEmptyGivesSixteenBitsAndZeroOnlyGivesEight) {
    const std::string zero = "0", seven = "7", text = "abc", empty, minus = "-3", spaced = " 0";
    EXPECT_EQ(ParseBitSel(nullptr), 1);
    EXPECT_EQ(ParseBitSel(&empty), 1);
    EXPECT_EQ(ParseBitSel(&zero), 0);
    EXPECT_EQ(ParseBitSel(&seven), 1);
    EXPECT_EQ(ParseBitSel(&text), 0);
    EXPECT_EQ(ParseBitSel(&minus), 1);
    EXPECT_EQ(ParseBitSel(&spaced), 0);
}

TEST(ShellPlacementScreens, RectangleOffEveryScreenOrEmptyIsRefused) {
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    WindowPlacement placement;
    auto with = [&](int32_t l, int32_t t, int32_t r, int32_t b) {
        placement.left = l, placement.top = t, placement.right = r, placement.bottom = b;
        return UsableNormalRect(placement, screens);
    };
    EXPECT_EQ(with(22, 22, 822, 622), QRect(22, 22, 800, 600));
    EXPECT_EQ(with(2000, 100, 2400, 400), QRect(2000, 100, 400, 300)); // second screen
    EXPECT_FALSE(with(5000, 5000, 5800, 5600));                        // nowhere
    EXPECT_FALSE(with(-790, 10, 10, 610));                             // 10 px visible
    EXPECT_FALSE(with(100, 100, 100, 400));                            // no width
    EXPECT_FALSE(with(300, 300, 100, 100));                            // inverted
    EXPECT_FALSE(with(INT32_MIN, 0, INT32_MAX, 10));                   // absurd extent
}

TEST_F(ShellTest, HandTypedCommaListInTheStoreIsJoinedAgain) {
    // Unquoted in an INI file, QSettings returns a list, not a string.
    QSettings settings = Profile();
    const QString file = settings.fileName();
    settings.clear();
    settings.sync();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QFile ini(file);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Settings]\nInitPlacement=44,0,3,-1,-1,-1,-1,10,20,410,320\nBitSel=0\n");
    ini.close();

    const std::optional<WindowPlacement> placement = ReadPlacement();
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->showCmd, 3);
    EXPECT_EQ(placement->right, 410);
    EXPECT_EQ(ReadBitSel(), 0);
}

TEST_F(ShellTest, RecentFilesKeepTenMostRecentFirstAndPersist) {
    RecentFileList list;
    for (int i = 1; i <= 12; ++i)
        list.Add(m_dir.filePath(QStringLiteral("f%1.vrn").arg(i)));
    ASSERT_EQ(list.Files().size(), 10);
    EXPECT_EQ(list.Files().first(), m_dir.filePath("f12.vrn"));
    EXPECT_EQ(list.Files().last(), m_dir.filePath("f3.vrn"));

    list.Add(m_dir.filePath("f5.vrn")); // again: moves to the front, no duplicate
    EXPECT_EQ(list.Files().size(), 10);
    EXPECT_EQ(list.Files().first(), m_dir.filePath("f5.vrn"));
    EXPECT_EQ(list.MenuText(0), "&1 " + QDir::toNativeSeparators(m_dir.filePath("f5.vrn")));
    EXPECT_TRUE(list.MenuText(9).startsWith("1&0 "));

    list.WriteList();
    EXPECT_EQ(Profile().value("Recent File List/File1").toString(), m_dir.filePath("f5.vrn"));
    EXPECT_EQ(Profile().value("Recent File List/File10").toString(), m_dir.filePath("f3.vrn"));
    EXPECT_TRUE(list.Remove(m_dir.filePath("f3.vrn")));
    list.WriteList();
    EXPECT_FALSE(Profile().contains("Recent File List/File10"));

    RecentFileList reread;
    reread.ReadList();
    EXPECT_EQ(reread.Files(), list.Files());
}

TEST(ShellLanguage, ForcedChoiceWinsOverTheSystemsPreference) {
    EXPECT_TRUE(ChooseJapanese("", {"ja-JP", "en-US"}));
    EXPECT_FALSE(ChooseJapanese("", {"en-US", "ja-JP"}));
    EXPECT_FALSE(ChooseJapanese("", {}));
    EXPECT_TRUE(ChooseJapanese("ja", {"en-US"}));
    EXPECT_FALSE(ChooseJapanese("en", {"ja-JP"}));
}
