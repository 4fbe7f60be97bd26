#include "mapdata/SharedText.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <ostream>
#include <stdexcept>

namespace tv {

void TText::InitShared(std::string_view text) {
    if (text.size() > std::numeric_limits<uint32_t>::max() - sizeof(Block))
        throw std::length_error("text too long");
    void* memory = std::malloc(offsetof(Block, chars) + text.size() + 1);
    if (!memory)
        throw std::bad_alloc();
    Block* block = new (memory) Block{{1}, static_cast<uint32_t>(text.size()), {0}};
    std::memcpy(block->chars, text.data(), text.size());
    block->chars[text.size()] = 0;
    std::memcpy(raw_, &block, sizeof block);
    raw_[sizeof raw_ - 1] = kCounted;
}

TText TText::Permanent(std::string_view text) {
    TText result(text);
    if (result.Tag() == kCounted)
        result.raw_[sizeof raw_ - 1] = kPermanent; // its one reference is never given back
    return result;
}

void TText::FreeBlock(Block* block) noexcept {
    block->~Block();
    std::free(block);
}

std::string TText::Join(std::string_view a, std::string_view b) {
    std::string joined;
    joined.reserve(a.size() + b.size());
    joined.append(a);
    joined.append(b);
    return joined;
}

std::ostream& operator<<(std::ostream& out, const TText& text) {
    return out << text.view();
}

} // namespace tv
