// SPDX-License-Identifier: BSD-3-Clause
// Recordings must be regular files and are opened without ever blocking;
// frame files replace whatever regular file or link sits at their name and
// refuse FIFOs, sockets and devices.
#include "HardeningSupport.h"

#include "framework/Document.h"
#include "image/ImageBuffer.h"
#include "image/SaveTemporary.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstdio>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A 2 x 2 16-bit file image: 208 bytes on disk.
struct SmallImage {
    SmallImage() { EXPECT_NE(image.CreateTiff(0, 2, 10, 2, 2, 0, nullptr), nullptr); }
    ImageBuffer image;
};

int BindSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

} // namespace

TEST(SpecialRecordings, ReaderAndDocumentRefuseWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_TRUE(MakeFifo(dir / "fifo.vrn"));
    const int socketFd = BindSocket(dir / "socket.vrn");
    const std::string good = (dir / "good.vrn").string();
    ASSERT_TRUE(WriteVorn(good.c_str(), VornRecipe{}));

    for (const fs::path& path : {dir / "fifo.vrn", dir / "socket.vrn", fs::path("/dev/null")}) {
        SCOPED_TRACE(path.string());
        const auto [opened, error] = WithinSeconds(10, [&] {
            VornReader reader;
            const int result = reader.Open(path.c_str(), 1);
            return std::make_pair(result, reader.error);
        });
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(error, VornError::NotRegularFile);
        EXPECT_STREQ(VornErrorText(error), "not a regular file");

        const std::string why = WithinSeconds(10, [&] {
            CVornDoc doc;
            EXPECT_EQ(doc.OnOpenDocument(path.c_str()), 0);
            return doc.GetOpenError();
        });
        EXPECT_EQ(why, "not a regular file");
    }
    VornReader folder;
    EXPECT_EQ(folder.Open(dir.Path().c_str(), 1), 0);
    EXPECT_EQ(folder.error, VornError::NotRegularFile);
    CDocument folderDoc;
    EXPECT_EQ(folderDoc.OnOpenDocument(dir.Path().c_str()), 0);
    EXPECT_EQ(folderDoc.GetOpenError(), "Is a directory");

    // A link to a recording is a recording.
    fs::create_symlink(good, dir / "link.vrn");
    CVornDoc linked;
    EXPECT_EQ(linked.OnOpenDocument((dir / "link.vrn").c_str()), 1) << linked.GetOpenError();
    ::close(socketFd);
}

TEST(SpecialFrameNames, ALinkIsReplacedAndItsTargetNeverTouched) {
    TempDir dir;
    TempDir outside;
    const fs::path victim = outside / "victim.txt";
    std::ofstream(victim) << "someone else's file";
    fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(victim, dir / "frame.tif");
    fs::create_symlink(dir / "nowhere.tif", dir / "dangling.tif");
    fs::create_symlink("/dev/null", dir / "null.tif");
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "sub", dir / "folder-link.tif");

    SmallImage small;
    for (const char* name : {"frame.tif", "dangling.tif", "null.tif", "folder-link.tif"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(small.image.SaveTiff((dir / name).c_str()), 1);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / name)));
        EXPECT_EQ(fs::file_size(dir / name), 208u);
    }
    EXPECT_EQ(FileText(victim), "someone else's file");
    EXPECT_EQ(fs::status(victim).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(dir / "nowhere.tif"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_empty(dir / "sub"));
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"dangling.tif", "folder-link.tif",
                                                             "frame.tif", "null.tif", "sub"}));
}

TEST(SpecialFrameNames, FifoSocketDeviceAndFolderAreRefusedWithoutBlocking) {
    TempDir dir;
    ASSERT_TRUE(MakeFifo(dir / "fifo.tif"));
    const int socketFd = BindSocket(dir / "socket.tif");
    fs::create_directory(dir / "folder.tif");
    SmallImage small;
    for (const fs::path& path : {dir / "fifo.tif", dir / "socket.tif", dir / "folder.tif"}) {
        SCOPED_TRACE(path.string());
        EXPECT_EQ(WithinSeconds(10, [&] { return small.image.SaveTiff(path.c_str()); }), 0);
    }
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.tif"));
    EXPECT_TRUE(fs::is_socket(dir / "socket.tif"));
    EXPECT_EQ(ListDir(dir.Path()),
              (std::vector<std::string>{"fifo.tif", "folder.tif", "socket.tif"})); // no temporaries
    if (::access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(small.image.SaveTiff("/dev/full"), 0);
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    ::close(socketFd);
}

TEST(SaveTemporaries, NamesAreRecognisedExactly) {
    EXPECT_EQ(SaveTemporaryStem("x_000153.tif"), ".x_000153.tif.");
    EXPECT_TRUE(IsSaveTemporaryOf(".x_000153.tif.ksLZZl", "x_000153.tif"));
    EXPECT_TRUE(IsSaveTemporaryOf(".x_000153.tif.000000", "x_000153.tif"));
    EXPECT_FALSE(IsSaveTemporaryOf(".x_000153.tif.ksLZZ", "x_000153.tif"));   // 5 letters
    EXPECT_FALSE(IsSaveTemporaryOf(".x_000153.tif.ksLZZll", "x_000153.tif")); // 7 letters
    EXPECT_FALSE(IsSaveTemporaryOf(".x_000153.tif.ks-ZZl", "x_000153.tif"));  // not a letter
    EXPECT_FALSE(IsSaveTemporaryOf("x_000153.tif.ksLZZl", "x_000153.tif"));   // not hidden
    EXPECT_FALSE(IsSaveTemporaryOf(".x_000154.tif.ksLZZl", "x_000153.tif"));  // other frame
    // Long names are cut in the temporary's stem.
    const std::string longName(300, 'n');
    EXPECT_TRUE(IsSaveTemporaryOf("." + std::string(200, 'n') + ".abcdef", longName));
}
