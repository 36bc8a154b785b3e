// SPDX-License-Identifier: BSD-3-Clause
#include "framework/Document.h"
#include "framework/SplitPath.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

class RecordingView : public CView {
public:
    void RepaintNow() override { ++repaints; }
    void OnTitleChanged() override { titles.push_back(GetDocument()->GetTitle()); }
    int repaints = 0;
    std::vector<std::string> titles;
};

TEST(SplitPath, PartsOfTheFinalComponent) {
    struct Row {
        const char *path, *directory, *base, *extension, *version, *name;
    };
    const Row rows[] = {
        {"/out/shot.tif", "/out/", "shot", "tif", "", "shot.tif"},
        {"out", "", "out", "", "", "out"},
        {"dir/clip.final.tiff", "dir/", "clip.final", "tiff", "", "clip.final.tiff"},
        {"/out/shot.tif;2", "/out/", "shot", "tif", "2", "shot.tif"},
        {"shot;7", "", "shot", "", "7", "shot"},
        // Dots and semicolons in folder names do not count.
        {"/data/v1.2;3/take", "/data/v1.2;3/", "take", "", "", "take"},
        // A dot after the version mark belongs to the version.
        {"a;1.x", "", "a", "", "1.x", "a"},
    };
    for (const Row& row : rows) {
        std::string directory, base, extension, version;
        EXPECT_EQ(SplitPath(row.path, &directory, &base, &extension, &version), row.name);
        EXPECT_EQ(directory, row.directory) << row.path;
        EXPECT_EQ(base, row.base) << row.path;
        EXPECT_EQ(extension, row.extension) << row.path;
        EXPECT_EQ(version, row.version) << row.path;
    }
}

TEST(SplitPath, FrameNumbering) {
    EXPECT_EQ(FrameFileName("/out/", "shot", 120, "tif"), "/out/shot_000120.tif");
    // Six digits are a minimum, not a limit.
    EXPECT_EQ(FrameFileName("", "a", 1000000, "png"), "a_1000000.png");
}

TEST(FileTitle, StripsOnlyTheDocumentExtension) {
    EXPECT_EQ(FileTitleFromPath("clip.vrn"), "clip");
    EXPECT_EQ(FileTitleFromPath("/data/Take 3.VRN"), "Take 3");
    EXPECT_EQ(FileTitleFromPath("/data/clip.vrn.bak"), "clip.vrn.bak");
    EXPECT_EQ(FileTitleFromPath("/data.vrn/clip.tif"), "clip.tif");
    EXPECT_EQ(FileTitleFromPath(".vrn"), ".vrn");
}

TEST(OutputBaseName, DropsExactlyOneExtensionOfTheFileName) {
    EXPECT_EQ(OutputBaseName("my.take.vrn"), "my.take");
    EXPECT_EQ(OutputBaseName("/data/run.2024.vrn"), "run.2024");
    EXPECT_EQ(OutputBaseName("/data/clip.vrn"), "clip");
    EXPECT_EQ(OutputBaseName("/data/clip.VRN.bak"), "clip.VRN");
    EXPECT_EQ(OutputBaseName("/data.d/clip"), "clip"); // dots in folders do not count
    EXPECT_EQ(OutputBaseName("/data/.vrn"), ".vrn");
    EXPECT_EQ(OutputBaseName("/data/.hidden.vrn"), ".hidden");
    EXPECT_EQ(OutputBaseName("Take 3.vrn"), "Take 3");
}

TEST(Document, ViewsFollowTitleAndUpdates) {
    RecordingView a;
    RecordingView b;
    {
        CDocument doc;
        a.SetDocument(&doc);
        b.SetDocument(&doc);
        doc.SetPathName("/x/clip.vrn");
        EXPECT_EQ(doc.GetTitle(), "clip");
        EXPECT_EQ(a.titles, std::vector<std::string>{"clip"});
        doc.UpdateAllViews(&a);
        EXPECT_EQ(a.repaints, 0);
        EXPECT_EQ(b.repaints, 1);
        b.SetDocument(nullptr);
        EXPECT_EQ(doc.GetViews().size(), 1u);
        doc.UpdateAllViews(nullptr);
        EXPECT_EQ(a.repaints, 1);
        EXPECT_EQ(b.repaints, 1);
    }
    // The document went first; its views must no longer point at it.
    EXPECT_EQ(a.GetDocument(), nullptr);
}

TEST(Document, OpenKeepsTheSystemReason) {
    TempDir dir;
    CDocument doc;
    EXPECT_EQ(doc.OnOpenDocument((dir / "missing.vrn").c_str()), 0);
    EXPECT_EQ(doc.GetOpenError(), "No such file or directory");
    EXPECT_EQ(doc.OnOpenDocument(dir.Path().c_str()), 0);
    EXPECT_EQ(doc.GetOpenError(), "Is a directory");
    std::ofstream(dir / "x.vrn") << "x";
    EXPECT_EQ(doc.OnOpenDocument((dir / "x.vrn").c_str()), 1);
    EXPECT_EQ(doc.GetOpenError(), "");
}

} // namespace
