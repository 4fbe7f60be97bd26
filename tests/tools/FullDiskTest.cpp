// Every file the programs write, written onto a file system that runs out of room: the write
// must fail with "Stream write error" naming the file and the reason, leave the old file as it
// was and leave nothing behind.
#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Map.h"
#include "tools/tvmtool/Commands.h"
#include "tools/tvmtool/RenderCommand.h"

#include <QDir>
#include <QImage>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace tv;
using tvtest::Bytes;

namespace {

// A small file system of the test's own (tmpfs) that can be filled up. Mounting needs root,
// as CI has; elsewhere the test is skipped.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::mount("tvtest", disk.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs to fill (" << std::strerror(errno)
                         << "): this test needs root, as CI runs it";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_)
            ::umount2(disk.path().c_str(), MNT_DETACH);
    }

    // Writes a filler file until only room bytes (rounded to pages) are free.
    void Fill(size_t room) {
        struct statvfs info {};
        ASSERT_EQ(::statvfs(disk.path().c_str(), &info), 0);
        const size_t free = static_cast<size_t>(info.f_bavail) * info.f_frsize;
        const int fd = ::open(disk.file("filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(64 * 1024, 'f');
        size_t left = free > room ? free - room : 0;
        while (left > 0) {
            const ssize_t written = ::write(fd, block.data(), std::min(left, block.size()));
            if (written <= 0)
                break;
            left -= static_cast<size_t>(written);
        }
        ::close(fd);
    }
    void Release() { ::unlink(disk.file("filler").c_str()); }

    QStringList Files() const {
        return QDir(QString::fromStdString(disk.path())).entryList(QDir::Files | QDir::Hidden);
    }

    tvtest::TempDir disk;
    tvtest::TempDir sources;

private:
    bool mounted_ = false;
};

// One writer of the programs: writes an output of about size bytes to path (raising what the
// program raises) and says what a complete output holds.
struct Writer {
    const char* Name;
    std::function<void(const std::string& path, size_t size)> Write;
    std::function<Bytes(size_t size)> Expected;
};

// A new map (115 bytes), its name making up the size.
void SizeMap(TMap& map, size_t size) {
    map.MapName = std::string(size > 200 ? size - 200 : 1, 'm');
}

Bytes MapBytes(size_t size) {
    TMap map;
    SizeMap(map, size);
    map.FileName = "target";
    TMemoryStream stream;
    map.WriteToStream(stream, nullptr);
    return stream.Bytes();
}

std::string CatalogueSource(size_t size) {
    if (size < 200)
        return R"({"records": []})";
    return R"({"records": [{"class": "TDecorInfo", "Name": ")" + std::string(size - 200, 'd') +
           R"("}]})";
}

QImage Noise(size_t size) {
    // Random pixels do not compress: a PNG of n x n of them takes about 4 n^2 bytes.
    const int side = size < 200 ? 1 : static_cast<int>(std::sqrt(static_cast<double>(size) / 4));
    QImage image(side, side, QImage::Format_ARGB32);
    std::mt19937 random(7);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random());
    return image;
}

std::vector<Writer> Writers(const tvtest::TempDir& sources) {
    return {
        {"map",
         [](const std::string& path, size_t size) {
             TMap map;
             SizeMap(map, size);
             map.SaveToFile(path, nullptr);
         },
         MapBytes},
        {"catalogue build",
         [&sources](const std::string& path, size_t size) {
             const std::string source = sources.file("catalogue.json");
             const std::string json = CatalogueSource(size);
             tvtest::WriteFileBytes(source, Bytes(json.begin(), json.end()));
             std::ostringstream out;
             std::ostringstream err;
             if (tool::Run({"catalogue", "build", source, path}, out, err) != 0)
                 throw EError(err.str().substr(0, err.str().size() - 1)); // the last newline
         },
         [](size_t size) {
             return tool::CatalogueFromJson(QByteArray::fromStdString(CatalogueSource(size)));
         }},
        {"PNG", [](const std::string& path, size_t size) { tool::WritePng(Noise(size), path); },
         [](size_t size) {
             tvtest::TempDir scratch;
             tool::WritePng(Noise(size), scratch.file("x.png"));
             return scratch.read("x.png");
         }},
    };
}

} // namespace

TEST_F(FullDisk, FailedWritesReportAndLeaveTheOldFileAsItWas) {
    const Bytes old = {'o', 'l', 'd'};
    const std::string target = disk.file("target");
    // A few bytes, 4 KB and 1 MB onto a full disk; 1 MB also onto one with room for a part.
    const struct {
        size_t Size;
        size_t Room;
    } cases[] = {{0, 0}, {4096, 0}, {1 << 20, 0}, {1 << 20, 300 * 1024}};
    for (const Writer& writer : Writers(sources)) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(writer.Name) + ", " + std::to_string(c.Size) + " bytes, " +
                         std::to_string(c.Room) + " free");
            disk.write("target", old);
            Fill(c.Room);
            std::string error;
            try {
                writer.Write(target, c.Size);
            } catch (const EError& e) {
                error = e.what();
            }
            // The file and the system's reason under the first line.
            EXPECT_EQ(error, std::string(kStreamWriteError) + "\nin " + target + ": " +
                                 std::strerror(ENOSPC));
            EXPECT_EQ(disk.read("target"), old);
            EXPECT_EQ(Files(), (QStringList{"filler", "target"}));

            // With room again the same write replaces the file with the whole output.
            Release();
            writer.Write(target, c.Size);
            const Bytes written = disk.read("target");
            EXPECT_EQ(written, writer.Expected(c.Size));
            if (c.Size == 0)
                EXPECT_LT(written.size(), 200u);
            else
                EXPECT_NEAR(static_cast<double>(written.size()), static_cast<double>(c.Size),
                            c.Size * 0.1);
            EXPECT_EQ(Files(), QStringList{"target"});
        }
    }
}
