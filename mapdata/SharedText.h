#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tv {

// An immutable UTF-8 text for record fields, cheap to copy. Texts of up to 15 bytes live in
// the object itself; longer ones live in a reference-counted block that copies share, so a
// map full of copies of one prototype holds each texture and sound name once. A field gets a
// new text by assignment; the text itself never changes. The bytes are always followed by a
// zero, so c_str() is free.
class TText {
public:
    static constexpr size_t kInlineCapacity = 15;

    TText() noexcept { SetEmpty(); }
    TText(std::string_view text) { Init(text); }
    TText(const char* text) { Init(std::string_view(text)); }
    TText(const std::string& text) { Init(std::string_view(text)); }
    TText(const TText& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        if (Tag() == kCounted)
            GetBlock()->refs.fetch_add(1, std::memory_order_relaxed);
    }
    TText(TText&& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.SetEmpty();
    }
    ~TText() { Release(); }

    TText& operator=(const TText& other) noexcept {
        TText copy(other);
        Swap(copy);
        return *this;
    }
    TText& operator=(TText&& other) noexcept {
        TText taken(std::move(other));
        Swap(taken);
        return *this;
    }
    TText& operator=(std::string_view text) { return *this = TText(text); }
    TText& operator=(const char* text) { return *this = TText(text); }
    TText& operator=(const std::string& text) { return *this = TText(text); }

    // A text whose block is never freed or counted: for texts held in statics that are
    // assigned over and over (class defaults). Anything else would leak the block.
    static TText Permanent(std::string_view text);

    const char* data() const noexcept {
        return Tag() <= kInlineCapacity ? reinterpret_cast<const char*>(raw_) : GetBlock()->chars;
    }
    const char* c_str() const noexcept { return data(); }
    size_t size() const noexcept {
        const uint8_t tag = Tag();
        return tag <= kInlineCapacity ? kInlineCapacity - tag : GetBlock()->size;
    }
    size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    void clear() noexcept {
        Release();
        SetEmpty();
    }
    void Swap(TText& other) noexcept {
        unsigned char temp[sizeof raw_];
        std::memcpy(temp, raw_, sizeof raw_);
        std::memcpy(raw_, other.raw_, sizeof raw_);
        std::memcpy(other.raw_, temp, sizeof raw_);
    }

    std::string_view view() const noexcept { return {data(), size()}; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    explicit operator std::string() const { return str(); }

    // True when both hold one shared block (so they are equal without comparing bytes).
    bool SharesWith(const TText& other) const noexcept {
        return Tag() > kInlineCapacity && std::memcmp(raw_, other.raw_, sizeof(Block*)) == 0 &&
               Tag() == other.Tag();
    }

    friend bool operator==(const TText& a, const TText& b) noexcept {
        return a.SharesWith(b) || a.Equals(b.view());
    }
    friend bool operator==(const TText& a, std::string_view b) noexcept { return a.Equals(b); }
    friend bool operator==(const TText& a, const char* b) noexcept {
        return a.Equals(std::string_view(b));
    }
    friend bool operator==(const TText& a, const std::string& b) noexcept {
        return a.Equals(std::string_view(b));
    }
    friend auto operator<=>(const TText& a, const TText& b) noexcept {
        return a.view() <=> b.view();
    }

    friend std::string operator+(const TText& a, std::string_view b) { return Join(a.view(), b); }
    friend std::string operator+(std::string_view a, const TText& b) { return Join(a, b.view()); }
    friend std::string operator+(const TText& a, const char* b) { return Join(a.view(), b); }
    friend std::string operator+(const char* a, const TText& b) { return Join(a, b.view()); }
    friend std::string operator+(const TText& a, const std::string& b) { return Join(a.view(), b); }
    friend std::string operator+(const std::string& a, const TText& b) { return Join(a, b.view()); }
    friend std::string operator+(const TText& a, const TText& b) {
        return Join(a.view(), b.view());
    }

private:
    // Texts are compared often and are mostly short: up to 64 bytes take fixed-size loads
    // (the last one overlapping the one before) instead of a call.
    bool Equals(std::string_view other) const noexcept {
        const size_t n = size();
        if (n != other.size())
            return false;
        const char* a = data();
        const char* b = other.data();
        if (n >= 8 && n <= 64) {
            for (size_t i = 0; i + 8 < n; i += 8)
                if (Load<uint64_t>(a + i) != Load<uint64_t>(b + i))
                    return false;
            return Load<uint64_t>(a + n - 8) == Load<uint64_t>(b + n - 8);
        }
        if (n >= 4 && n < 8)
            return Load<uint32_t>(a) == Load<uint32_t>(b) &&
                   Load<uint32_t>(a + n - 4) == Load<uint32_t>(b + n - 4);
        return std::memcmp(a, b, n) == 0;
    }
    template <class Word> static Word Load(const char* bytes) noexcept {
        Word word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }

    struct Block {
        std::atomic<uint32_t> refs;
        uint32_t size;
        char chars[1]; // size bytes and a zero
    };

    // The last byte tells the form: 0..15 is an inline text of 15 - tag bytes (so a 15-byte
    // text's zero is the tag itself); otherwise the first bytes hold a block pointer.
    static constexpr uint8_t kCounted = 0x80;
    static constexpr uint8_t kPermanent = 0x81;

    uint8_t Tag() const noexcept { return raw_[sizeof raw_ - 1]; }
    Block* GetBlock() const noexcept {
        Block* block;
        std::memcpy(&block, raw_, sizeof block);
        return block;
    }
    void SetEmpty() noexcept {
        raw_[0] = 0;
        raw_[sizeof raw_ - 1] = kInlineCapacity;
    }
    void Init(std::string_view text) {
        if (text.size() <= kInlineCapacity)
            InitInline(text);
        else
            InitShared(text);
    }
    // Fixed-size moves only (overlapping where the length is not a power of two): the bytes
    // after the text stay zero, and a 15-byte text's terminator is the tag.
    void InitInline(std::string_view text) noexcept {
        const size_t n = text.size();
        const char* const bytes = text.data();
        unsigned char inlined[sizeof raw_] = {};
        if (n >= 8) {
            std::memcpy(inlined, bytes, 8);
            std::memcpy(inlined + n - 8, bytes + n - 8, 8);
        } else if (n >= 4) {
            std::memcpy(inlined, bytes, 4);
            std::memcpy(inlined + n - 4, bytes + n - 4, 4);
        } else {
            for (size_t i = 0; i < n; ++i)
                inlined[i] = static_cast<unsigned char>(bytes[i]);
        }
        inlined[sizeof raw_ - 1] = static_cast<uint8_t>(kInlineCapacity - n);
        std::memcpy(raw_, inlined, sizeof raw_);
    }
    void InitShared(std::string_view text);
    void Release() noexcept {
        if (Tag() == kCounted) {
            Block* block = GetBlock();
            if (block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
                FreeBlock(block);
        }
    }
    static void FreeBlock(Block* block) noexcept;
    static std::string Join(std::string_view a, std::string_view b);

    alignas(8) unsigned char raw_[16];
};

std::ostream& operator<<(std::ostream& out, const TText& text);

} // namespace tv
