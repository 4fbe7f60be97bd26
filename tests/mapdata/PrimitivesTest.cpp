#include "TestSupport.h"
#include "mapdata/Geometry.h"
#include "mapdata/Paths.h"
#include "mapdata/Pixels.h"

#include <gtest/gtest.h>

using namespace tv;

TEST(Geometry, ClipRectStoresEvenAnEmptyResult) {
    TRect a{0, 0, 10, 10};
    EXPECT_FALSE(ClipRect(a, TRect{10, 0, 20, 10}));
    EXPECT_EQ(a, (TRect{10, 0, 10, 10}));
    TRect b{0, 0, 10, 10};
    EXPECT_TRUE(ClipRect(b, TRect{5, -5, 20, 7}));
    EXPECT_EQ(b, (TRect{5, 0, 10, 7}));
    EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_TRUE(RectsOverlap({0, 0, 10, 10}, {9, 9, 20, 20}));
    EXPECT_EQ(Clamp(-5, 0, 600), 0);
    EXPECT_EQ(Clamp(650, 0, 600), 600);
    EXPECT_NEAR(static_cast<double>(DegToRad(180)), 3.14159265358979, 1e-12);
}

TEST(Pixels, Rgb565PackAndUnpack) {
    const PixelLayout l = LayoutFromBits(5, 6, 5);
    EXPECT_EQ(l.Masks[0], 0xF800u);
    EXPECT_EQ(l.Masks[1], 0x07E0u);
    EXPECT_EQ(l.Masks[2], 0x001Fu);
    EXPECT_EQ(PackPixel(l, 255, 255, 255), 0xFFFFu);
    EXPECT_EQ(PackPixel(l, 0x80, 0x40, 0x08), (0x10u << 11) | (0x10u << 5) | 0x01u);
    uint8_t x, y, z;
    UnpackPixel(l, 0xFFFF, x, y, z);
    EXPECT_EQ(x, 255);
    EXPECT_EQ(y, 255);
    EXPECT_EQ(z, 255);
    const PixelLayout m = LayoutFromMasks(0x7C00, 0x03E0, 0x001F);
    EXPECT_EQ(m.Bits[0], 5u);
    EXPECT_EQ(m.Bits[1], 5u);
    EXPECT_EQ(m.Bits[2], 5u);
    EXPECT_EQ(LayoutFromMasks(0xFFFFFFFFu, 0, 0).Bits[0], 0u);
}

TEST(Pixels, ColoursAndPalettes) {
    EXPECT_EQ(PackColor(0x12, 0x34, 0x56), 0x123456u);
    EXPECT_EQ(SwapColor(0xAA112233u), 0x00332211u);
    const Palette256 grey = GreyPalette();
    EXPECT_EQ(grey[200], (PaletteEntry{200, 200, 200, 0}));
    Palette256 swapped;
    Palette256 src = grey;
    src[1] = {1, 2, 3, 4};
    SwapPalette(src, swapped);
    EXPECT_EQ(swapped[1], (PaletteEntry{3, 2, 1, 0}));
}

TEST(Paths, ParentFolderAndFileNameParts) {
    EXPECT_EQ(ParentFolder("C:\\Games\\Editor\\"), "C:\\Games");
    EXPECT_EQ(ParentFolder("C:\\Games\\Editor"), "C:\\Games");
    EXPECT_EQ(ParentFolder("nothing"), "nothing");
    EXPECT_EQ(ParentFolder("/opt/game/editor/"), "/opt/game");
    EXPECT_EQ(ExtractFileName("C:\\maps\\level1.tvm"), "level1.tvm");
    EXPECT_EQ(ExtractFileName("d:level2.tvm"), "level2.tvm");
    EXPECT_EQ(ExtractFileExt("gui\\butclick.WAV"), ".WAV");
    EXPECT_EQ(ExtractFileExt("dir.x\\noext"), "");
}

TEST(Paths, BareFileNamesAndNamesThatLeaveTheirFolder) {
    for (const char* bare : {"level.tvm", "untitled.tvm", "...", "D\xC3\xBDka.tvm", "a b"})
        EXPECT_TRUE(IsBareFileName(bare)) << bare;
    for (const char* notBare : {"", ".", "..", "..\\..\\..\\PWNED.tvm", "../x.tvm", "maps/x.tvm",
                                "C:x.tvm", "x\x1b.tvm", "x\n", "x\x7f", "x\xC2\x85.tvm"})
        EXPECT_FALSE(IsBareFileName(notBare)) << notBare;

    for (const char* inside : {"", "ingame\\hit.wav", "a..b.png", "boss\\..x\\fight.mid"})
        EXPECT_FALSE(LeavesDataFolder(inside)) << inside;
    for (const char* outside : {"..\\..\\data\\obj\\objects.tvd", "x\\..\\..\\y.png", "/etc/passwd",
                                "\\x.png", "C:\\x.png", "x/../../y.wav"})
        EXPECT_TRUE(LeavesDataFolder(outside)) << outside;
}

TEST(Paths, NativePathMatchesComponentsWithoutCase) {
    tvtest::TempDir dir;
    dir.write("Data/Graphic/Editor/Obj.png", {1, 2, 3});
    const std::string native = NativePath(dir.path() + "data\\graphic\\editor\\OBJ.PNG");
    EXPECT_EQ(native, dir.path() + "Data/Graphic/Editor/Obj.png");
    EXPECT_TRUE(FileExists(dir.path() + "DATA\\GRAPHIC\\editor\\obj.png"));
    EXPECT_FALSE(FileExists(dir.path() + "Data\\Graphic\\missing.png"));
    // A component that matches nothing is kept as given.
    EXPECT_EQ(NativePath(dir.path() + "data\\Nope\\x.png"), dir.path() + "Data/Nope/x.png");
}

TEST(Paths, NativePathTriesEverySpellingOfAFolder) {
    // A game folder with two spellings of its data folder, each holding different files.
    tvtest::TempDir dir;
    dir.write("Data/Graphic/Enemies/Slime.png", {1});
    dir.write("data/obj/objects.tvd", {2});
    dir.write("Data/both.txt", {3});
    dir.write("data/both.txt", {4});
    const std::string base = dir.path();
    EXPECT_EQ(NativePath(base + "DATA\\GRAPHIC\\ENEMIES\\SLIME.PNG"),
              base + "Data/Graphic/Enemies/Slime.png");
    EXPECT_EQ(NativePath(base + "Data\\obj\\objects.tvd"), base + "data/obj/objects.tvd");
    EXPECT_TRUE(FileExists(base + "DATA\\OBJ\\OBJECTS.TVD"));
    // The exact spelling wins over the listing order ("Data" sorts first).
    EXPECT_EQ(NativePath(base + "data\\BOTH.TXT"), base + "data/both.txt");
    // Nothing matches: the spelling that resolved the most components, the rest as given.
    EXPECT_EQ(NativePath(base + "DATA\\GRAPHIC\\ENEMIES\\missing.png"),
              base + "Data/Graphic/Enemies/missing.png");
    EXPECT_EQ(NativePath(base + "data\\Graphic\\x\\"), base + "Data/Graphic/x/");
}

TEST(Paths, RelativeDataPath) {
    EXPECT_EQ(RelativeDataPath("/g/Data/Music/", "/g/Data/Music/theme.mid"), "theme.mid");
    EXPECT_EQ(RelativeDataPath("/g/Data/Music/", "/g/data/music/Boss/fight.mp3"),
              "Boss\\fight.mp3");
    EXPECT_EQ(RelativeDataPath("/g/Data/Music/", "/g/Other/a.mid"), "..\\..\\Other\\a.mid");
}
