#include "engine/DataFiles.h"

#include "TestSupport.h"
#include "mapdata/Paths.h"

#include <QDir>
#include <QFontDatabase>
#include <gtest/gtest.h>

using namespace tv;
using tvtest::Bytes;

namespace {

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedBase_ = BaseFolder();
        SetBaseFolder(dir_.path());
    }
    void TearDown() override { SetBaseFolder(savedBase_); }

    tvtest::TempDir dir_;
    tvtest::MessageBoxRecorder boxes_;
    std::string savedBase_;
};

TEST_F(DataFilesTest, ExtensionChoosesTheFolder) {
    const std::string base = dir_.path();
    EXPECT_EQ(DataFilePath("gui\\butclick.wav"), base + "Data\\Sound\\gui\\butclick.wav");
    EXPECT_EQ(DataFilePath("cursors\\cursor.png"), base + "Data\\Graphic\\cursors\\cursor.png");
    EXPECT_EQ(DataFilePath("SKY.JPG"), base + "Data\\Graphic\\SKY.JPG");
    EXPECT_EQ(DataFilePath("a.Bmp"), base + "Data\\Graphic\\a.Bmp");
    EXPECT_EQ(DataFilePath("theme.Mid"), base + "Data\\Music\\theme.Mid");
    EXPECT_EQ(DataFilePath("x.mp3"), base + "Data\\Music\\x.mp3");
    EXPECT_EQ(DataFilePath("x.WMA"), base + "Data\\Music\\x.WMA");
    // Anything else stays as given.
    EXPECT_EQ(DataFilePath("maps\\one.tvm"), "maps\\one.tvm");
    EXPECT_EQ(DataFilePath("x.jpeg"), "x.jpeg");
    EXPECT_EQ(DataFilePath("x.wav.txt"), "x.wav.txt");
    EXPECT_EQ(DataFilePath("wav"), "wav");
    EXPECT_EQ(DataFilePath("folder.png\\file"), "folder.png\\file");
    EXPECT_EQ(DataFilePath(""), "");
    EXPECT_EQ(DataFolderFor("gui\\b.wav"), "Data\\Sound\\");
    EXPECT_EQ(DataFolderFor("b.tga"), "");
}

TEST_F(DataFilesTest, LoadsTheWholeFile) {
    const Bytes content = {0, 1, 2, 255, 'R', 'I', 'F', 'F', 0};
    // The data was made on a file system that ignores case.
    dir_.write("data/sound/GUI/ButClick.WAV", content);
    TLoadFile record;
    ASSERT_TRUE(LoadDataFile("gui\\butclick.wav", record));
    EXPECT_EQ(record.FileName, dir_.path() + "Data\\Sound\\gui\\butclick.wav");
    EXPECT_EQ(record.Size, static_cast<int32_t>(content.size()));
    EXPECT_EQ(record.Data, content);
    EXPECT_TRUE(boxes_.messages().empty());

    FreeLoadFile(record);
    EXPECT_EQ(record.Size, 0);
    EXPECT_TRUE(record.Data.empty());

    dir_.write("Data/Graphic/empty.png", {});
    ASSERT_TRUE(LoadDataFile("empty.png", record));
    EXPECT_EQ(record.Size, 0);
    EXPECT_TRUE(record.Data.empty());
}

TEST_F(DataFilesTest, MissingFileShowsTheNativePathAndLeavesTheRecord) {
    // The message names the path as the file system has it: one kind of separator, and the
    // folders in their own letter case.
    dir_.write("data/sound/other.wav", {1});
    TLoadFile record;
    record.FileName = "kept";
    record.Size = 2;
    record.Data = {7, 8};
    EXPECT_FALSE(LoadDataFile("gui\\nothing.wav", record));
    ASSERT_EQ(boxes_.messages().size(), 1u);
    EXPECT_EQ(boxes_.messages()[0],
              "File Not Found : " + dir_.path() + "data/sound/gui/nothing.wav");
    EXPECT_EQ(record.FileName, "kept");
    EXPECT_EQ(record.Size, 2);
    EXPECT_EQ(record.Data, (Bytes{7, 8}));

    // A folder of that name is no file either.
    QDir().mkpath(QString::fromStdString(dir_.file("Data/Graphic/dir.png")));
    EXPECT_FALSE(LoadDataFile("dir.png", record));
    EXPECT_EQ(boxes_.messages().size(), 2u);

    // Unknown extensions are reported without a data folder.
    EXPECT_FALSE(LoadDataFile("notes\\none.txt", record));
    ASSERT_EQ(boxes_.messages().size(), 3u);
    EXPECT_EQ(boxes_.messages()[2], "File Not Found : notes/none.txt");
}

TEST_F(DataFilesTest, OtherExtensionsAreRelativeToTheCurrentFolder) {
    dir_.write("notes/readme.txt", {'h', 'i'});
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir_.path())));
    TLoadFile record;
    const bool loaded = LoadDataFile("notes\\readme.txt", record);
    QDir::setCurrent(saved);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(record.FileName, "notes\\readme.txt");
    EXPECT_EQ(record.Data, (Bytes{'h', 'i'}));
}

TEST(FontTableTest, HoldsTheEngineStyles) {
    ASSERT_EQ(FontTable.size(), 13u);
    EXPECT_EQ(FontTable[0].Name, "Orea");
    EXPECT_EQ(FontTable[0].Size, 20);
    EXPECT_EQ(FontTable[1].Color, 0xFFFFFF50u);
    EXPECT_EQ(FontTable[4].Color, 0xFFFFDD00u);
    EXPECT_EQ(FontTable[4].Size, 8);
    // The message window: entry 8 titles, entry 7 texts.
    EXPECT_EQ(FontTable[8].Name, "Orea");
    EXPECT_EQ(FontTable[8].Size, 18);
    EXPECT_EQ(FontTable[7].Name, "Calligraphia");
    EXPECT_EQ(FontTable[7].Size, 11);
    EXPECT_EQ(FontTable[7].Color, 0xFFFFFFA0u);
    EXPECT_EQ(FontTable[12].Color, 0xFFFFFF11u);
    for (const TFontInfo& info : FontTable)
        EXPECT_EQ(info.Style, fsBold);
}

TEST(FontTableTest, MissingFacesFallBackToInstalledOnes) {
    const QStringList families = QFontDatabase::families();
    for (const char* face : {"Orea", "Calligraphia", "No Such Face", ""}) {
        const std::string resolved = ResolveFontFamily(face);
        EXPECT_FALSE(resolved.empty()) << face;
        EXPECT_TRUE(families.contains(QString::fromStdString(resolved), Qt::CaseInsensitive))
            << face << " -> " << resolved;
    }
    ASSERT_FALSE(families.isEmpty());
    EXPECT_EQ(ResolveFontFamily(families.front().toStdString()), families.front().toStdString());

    const QFont title = MakeFont(FontTable[8]);
    EXPECT_EQ(title.pointSize(), 18);
    EXPECT_TRUE(title.bold());
    EXPECT_FALSE(title.italic());
    TFontInfo styled{"Calligraphia", 11, 0, fsItalic | fsUnderline | fsStrikeOut};
    const QFont other = MakeFont(styled);
    EXPECT_FALSE(other.bold());
    EXPECT_TRUE(other.italic());
    EXPECT_TRUE(other.underline());
    EXPECT_TRUE(other.strikeOut());
}

} // namespace
