#include "mapdata/SharedText.h"
#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"
#include "mapdata/Stream.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace tv;
using tvtest::Bytes;

TEST(SharedText, HoldsEveryLengthWithATerminatingZero) {
    // Around the boundary between texts held inline and texts in a shared block.
    for (size_t length : {0u, 1u, 14u, 15u, 16u, 17u, 300u}) {
        SCOPED_TRACE(length);
        std::string source(length, 'x');
        for (size_t i = 0; i < length; ++i)
            source[i] = static_cast<char>('a' + i % 26);
        const TText text(source);
        EXPECT_EQ(text.size(), length);
        EXPECT_EQ(text.empty(), length == 0);
        EXPECT_EQ(text.view(), source);
        EXPECT_EQ(text.c_str()[length], '\0');
        EXPECT_EQ(std::string(text.c_str()), source);
        EXPECT_EQ(text.SharesWith(TText(text)), length > TText::kInlineCapacity);
    }
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(TText(withZero).view(), withZero);
}

TEST(SharedText, CopiesShareABlockThatOutlivesTheOriginal) {
    const std::string longText = "Data\\Graphic\\enemies\\slime_green_walk.png";
    auto original = std::make_unique<TText>(longText);
    TText copy = *original;
    TText assigned;
    assigned = copy;
    EXPECT_TRUE(copy.SharesWith(*original));
    EXPECT_TRUE(assigned.SharesWith(*original));
    original.reset();
    EXPECT_EQ(copy, longText);
    EXPECT_EQ(assigned, longText);

    // A new value for one copy leaves the others as they were.
    copy = "short";
    EXPECT_EQ(copy, "short");
    EXPECT_EQ(assigned, longText);

    // Assigning a text to itself, by copy or by move, keeps it.
    TText& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned, longText);
    assigned = std::move(same);
    EXPECT_EQ(assigned, longText);

    TText moved = std::move(assigned);
    EXPECT_EQ(moved, longText);
    EXPECT_TRUE(assigned.empty()); // NOLINT(bugprone-use-after-move): a moved-from text is empty
    moved.clear();
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(moved.c_str()[0], '\0');
}

TEST(SharedText, PermanentTextsAndComparisons) {
    static const TText permanent = TText::Permanent("ingame\\a_permanent_sound.wav");
    {
        const TText copy = permanent;
        EXPECT_TRUE(copy.SharesWith(permanent));
    }
    EXPECT_EQ(permanent, "ingame\\a_permanent_sound.wav");

    const TText name("Slime");
    EXPECT_TRUE(name == "Slime");
    EXPECT_TRUE("Slime" == name);
    EXPECT_TRUE(name == std::string("Slime"));
    EXPECT_FALSE(name == "slime");
    EXPECT_TRUE(name != TText("Slimes"));
    EXPECT_LT(TText("Apple"), TText("Banana"));
    EXPECT_EQ(name + " 2", "Slime 2");
    EXPECT_EQ("Big " + name, "Big Slime");
    EXPECT_EQ(std::string("x") + name + name, "xSlimeSlime");
    std::ostringstream out;
    out << name;
    EXPECT_EQ(out.str(), "Slime");
}

TEST(MemoryStream, InlineReadsFollowThePositionAndTheContent) {
    TMemoryStream s(Bytes{1, 0, 0, 0, 2, 3});
    EXPECT_EQ(s.ReadInt32(), 1);
    EXPECT_EQ(s.Position(), 4u);
    ASSERT_NE(s.Peek(2), nullptr);
    EXPECT_EQ(s.Peek(3), nullptr); // past the end
    EXPECT_EQ(s.Position(), 4u);
    const uint8_t* lent = s.Borrow(2);
    ASSERT_NE(lent, nullptr);
    EXPECT_EQ(lent[0], 2);
    EXPECT_EQ(s.Position(), 6u);
    EXPECT_THROW(s.ReadUInt8(), EError);

    // Past the end: nothing to read, and a write there fills the gap with zeros.
    s.SetPosition(9);
    EXPECT_EQ(s.Position(), 9u);
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_THROW(s.ReadUInt16(), EError);
    s.WriteUInt8(7);
    EXPECT_EQ(s.Bytes(), (Bytes{1, 0, 0, 0, 2, 3, 0, 0, 0, 7}));

    // Writes that move the content elsewhere in memory are read back from the new place.
    s.SetPosition(0);
    for (int i = 0; i < 10000; ++i)
        s.WriteInt32(i);
    s.SetPosition(4 * 9999);
    EXPECT_EQ(s.ReadInt32(), 9999);
    s.Clear();
    EXPECT_EQ(s.Position(), 0u);
    EXPECT_EQ(s.Peek(1), nullptr);
}

TEST(RecordStream, TextsReadBackEqualToTheCurrentOnesStayShared) {
    TEnemyInfo written;
    written.Name = "Green slime of the eastern marshes";
    TMemoryStream s;
    written.WriteToStream(s);
    s.SetPosition(0);

    TEnemyInfo read;
    const TText defaultSound = read.FireSound;
    read.ReadFromStream(s);
    EXPECT_EQ(read.Name, written.Name);
    EXPECT_TRUE(read.FireSound.SharesWith(defaultSound));
    EXPECT_EQ(read.FireSound, written.FireSound);
}
