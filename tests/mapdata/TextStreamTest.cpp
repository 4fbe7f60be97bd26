#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tv;
using tvtest::Bytes;
using tvtest::ByteWriter;

namespace {

Bytes Written(std::string_view text) {
    TMemoryStream s;
    WriteStreamString(s, text);
    return s.Bytes();
}

std::string ReadBack(const Bytes& bytes) {
    TMemoryStream s(bytes);
    return ReadStreamString(s);
}

std::string ErrorOf(const Bytes& bytes) {
    try {
        ReadBack(bytes);
    } catch (const EError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(TaggedString, ShortAsciiFormsAreByteExact) {
    EXPECT_EQ(Written(""), (Bytes{0x06, 0x00}));
    EXPECT_EQ(Written("abc"), (Bytes{0x06, 0x03, 'a', 'b', 'c'}));
    EXPECT_EQ(ReadBack({0x06, 0x00}), "");
}

TEST(TaggedString, LengthBoundaryBetweenShortAndLongForm) {
    const std::string s255(255, 'x');
    const Bytes b255 = Written(s255);
    ASSERT_EQ(b255.size(), 2u + 255u);
    EXPECT_EQ(b255[0], 0x06);
    EXPECT_EQ(b255[1], 0xFF);

    const std::string s256(256, 'y');
    const Bytes b256 = Written(s256);
    ASSERT_EQ(b256.size(), 5u + 256u);
    EXPECT_EQ((Bytes{b256.begin(), b256.begin() + 5}), (Bytes{0x0C, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(ReadBack(b255), s255);
    EXPECT_EQ(ReadBack(b256), s256);
}

TEST(TaggedString, AccentedTextTravelsAsUtf8) {
    // "Kůže": K, u-ring (2 bytes), z-caron (2 bytes), e.
    const std::string kuze = "K\xC5\xAF\xC5\xBE"
                             "e";
    EXPECT_EQ(Written(kuze), (Bytes{0x14, 6, 0, 0, 0, 'K', 0xC5, 0xAF, 0xC5, 0xBE, 'e'}));
    EXPECT_EQ(ReadBack(Written(kuze)), kuze);
    // The same word as Windows-1250 bytes under the short tag reads as the same text.
    EXPECT_EQ(ReadBack({0x06, 4, 'K', 0xF9, 0x9E, 'e'}), kuze);
}

TEST(TaggedString, Utf16FormIsRead) {
    EXPECT_EQ(ReadBack({0x12, 2, 0, 0, 0, 'D', 0, 0xFD, 0x00}), "D\xC3\xBD");
}

TEST(TaggedString, NextValueStartsRightAfterTheString) {
    TMemoryStream s;
    WriteStreamString(s, "name");
    s.WriteInt32(-123456);
    s.SetPosition(0);
    EXPECT_EQ(ReadStreamString(s), "name");
    EXPECT_EQ(s.ReadInt32(), -123456);
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(TaggedString, BadDataRaisesTheFileErrors) {
    EXPECT_EQ(ErrorOf({0x07, 0x00}), "Invalid property value");
    EXPECT_EQ(ErrorOf({}), "Stream read error");
    EXPECT_EQ(ErrorOf({0x06}), "Stream read error");
    EXPECT_EQ(ErrorOf({0x06, 0x05, 'a', 'b'}), "Stream read error");
    EXPECT_EQ(ErrorOf({0x0C, 0x01, 0x00}), "Stream read error");
    // Negative and impossible lengths are invalid data, never an allocation.
    EXPECT_EQ(ErrorOf(ByteWriter().u8(0x0C).i32(-1).bytes()), "Stream read error");
    EXPECT_EQ(ErrorOf(ByteWriter().u8(0x14).i32(0x7FFFFFFF).ascii("ab").bytes()),
              "Stream read error");
    EXPECT_EQ(ErrorOf(ByteWriter().u8(0x12).i32(0x40000000).bytes()), "Stream read error");
}

TEST(TaggedString, OneTextTakesAtMostAMegabyteInEveryForm) {
    // At the limit a text reads; one byte (or UTF-16 unit) more is a read error that says why
    // and where, even though the data holds it all.
    const auto text = [](uint8_t tag, uint32_t bytes) {
        ByteWriter w;
        w.raw({0, 0}).u8(tag).i32(static_cast<int32_t>(tag == 0x12 ? bytes / 2 : bytes));
        return w.raw(Bytes(bytes, 'a')).bytes();
    };
    for (uint8_t tag : {0x0C, 0x14, 0x12}) {
        SCOPED_TRACE(tag);
        TMemoryStream atLimit(text(tag, kMaxTextBytes));
        atLimit.Skip(2);
        EXPECT_EQ(ReadStreamString(atLimit).size(),
                  tag == 0x12 ? kMaxTextBytes / 2 * 3 : kMaxTextBytes);
        const uint32_t over = kMaxTextBytes + (tag == 0x12 ? 2 : 1);
        TMemoryStream tooLong(text(tag, over));
        tooLong.Skip(2);
        try {
            ReadStreamString(tooLong);
            ADD_FAILURE() << "no error";
        } catch (const EError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Stream read error\na text of " + std::to_string(over) +
                          " bytes at offset 2 is over the limit of 1048576 bytes");
        }
    }
}

TEST(MessageText, FileTextsAreEscapedAndShortened) {
    // C0 controls, DEL, C1 controls (as UTF-8) and bytes that are no UTF-8 are shown, not
    // obeyed; letters of any script are kept whole.
    EXPECT_EQ(EscapeControls("a\x1b[2J\x07\x7f\xC2\x9b\xff\xC5\xAF\n"),
              "a\\x1b[2J\\x07\\x7f\\u009b\\xff\xC5\xAF\\x0a");
    EXPECT_EQ(EscapeControls("line\none\ttab\r", true), "line\none\ttab\\x0d");
    // 200 characters at most, counted as characters, never cut inside one.
    const std::string accented = std::string(199, 'x') + "\xC5\xAF\xC5\xAF";
    EXPECT_EQ(ShortenText(accented), std::string(199, 'x') + "\xC5\xAF\xE2\x80\xA6");
    EXPECT_EQ(ShortenText(std::string(200, 'y')), std::string(200, 'y'));
    EXPECT_EQ(ClassNotFoundMessage(std::string(300, 'c') + "\x1b"),
              "Class " + std::string(200, 'c') + "\xE2\x80\xA6 not found");
    EXPECT_EQ(ClassNotFoundMessage("T\x1b]0;x"), "Class T\\x1b]0;x not found");
}

TEST(TextBytes, AsciiCheckSeesEveryByteWhateverTheLength) {
    for (size_t length = 0; length <= 40; ++length) {
        std::string text(length, 'a');
        EXPECT_TRUE(IsAscii(text)) << length;
        for (size_t at = 0; at < length; ++at) {
            text[at] = '\x80';
            EXPECT_FALSE(IsAscii(text)) << length << " " << at;
            text[at] = 'a';
        }
    }
}

TEST(TextEquals, IgnoresCaseIncludingAccentedLetters) {
    EXPECT_TRUE(TextEquals("untitled.tvm", "UNTITLED.TVM"));
    EXPECT_FALSE(TextEquals("a", "a "));
    EXPECT_TRUE(TextEquals("\xC3\x81", "\xC3\xA1"));       // Á, á
    EXPECT_TRUE(TextEquals("D\xC3\xBDka", "D\xC3\x9DKA")); // Dýka, DÝKA
    EXPECT_TRUE(TextEquals("K\xC5\xAF\xC5\xBE"
                           "e",
                           "K\xC5\xAE\xC5\xBD"
                           "E")); // Kůže, KŮŽE
    EXPECT_FALSE(TextEquals("Dyka", "D\xC3\xBDka"));
    EXPECT_EQ(FoldedKey("D\xC3\x9DKA"), FoldedKey("d\xC3\xBDka"));
}

TEST(TextEquals, ListHelpers) {
    EXPECT_FALSE(TextIsOneOf(".png", {}));
    EXPECT_TRUE(TextIsOneOf(".PNG", {".jpg", ".png", ".bmp"}));
    EXPECT_FALSE(TextInList("Enemies", {"Decors", "BackGrounds"}));
}

TEST(Errors, EngineCodesAndErrorBoxText) {
    EXPECT_EQ(EngineErrorMessage(0), "Unknown Error");
    EXPECT_EQ(EngineErrorMessage(11), "Unknown Error");
    EXPECT_EQ(EngineErrorMessage(8), "Error whern converting texture.");
    try {
        RaiseEngineError(11);
        FAIL();
    } catch (const EError& e) {
        EXPECT_EQ(ErrorBoxText(e.what()), "Unknown Error.");
    }
    EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
    EXPECT_EQ(ErrorBoxText("Error when loading texture."), "Error when loading texture.");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("Oops!"), "Oops!"); // '!' sorts before '.'
}

TEST(FileReadStream, ReadsAcrossItsBufferAndMovesAnywhere) {
    tvtest::TempDir dir;
    Bytes content(600000);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i * 7 % 251);
    dir.write("big.bin", content);
    const auto at = [&](size_t i) { return content[i]; };

    TFileReadStream s(dir.file("big.bin"), "big.bin");
    EXPECT_EQ(s.Size(), content.size());
    // Field by field through the first buffer's end.
    s.SetPosition(262100);
    for (size_t i = 262100; i < 262200; ++i)
        ASSERT_EQ(s.ReadUInt8(), at(i)) << i;
    // Lent bytes that straddle the buffer's end.
    s.SetPosition(524250);
    const uint8_t* lent = s.Peek(100);
    ASSERT_NE(lent, nullptr);
    EXPECT_EQ(lent[99], at(524349));
    EXPECT_EQ(s.Position(), 524250u);
    // Back to the start, then one read larger than the buffer.
    s.SetPosition(5);
    Bytes big(300000);
    s.ReadBuffer(big.data(), big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), content.begin() + 5));
    EXPECT_EQ(s.Position(), 300005u);
    EXPECT_EQ(s.ReadUInt8(), at(300005));
    // The end: a value cut by it is a read error, and nothing is lent past it.
    s.SetPosition(content.size() - 2);
    EXPECT_EQ(s.Peek(3), nullptr);
    EXPECT_THROW(s.ReadInt32(), EError);
    EXPECT_THROW(s.WriteUInt8(1), EError);

    // Missing, a folder, and a pipe nobody writes to (which must not make the reader wait).
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    for (const std::string& missing : {dir.file("none.bin"), dir.path(), dir.file("pipe")}) {
        try {
            TFileReadStream none(missing, "shown name");
            ADD_FAILURE() << missing;
        } catch (const EError& e) {
            EXPECT_STREQ(e.what(), "Cannot open file shown name");
        }
    }
}
