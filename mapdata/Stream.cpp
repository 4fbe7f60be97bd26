#include "mapdata/Stream.h"

#include "mapdata/Errors.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace tv {

uint64_t TStream::Remaining() const {
    const uint64_t size = Size();
    const uint64_t pos = Position();
    return pos < size ? size - pos : 0;
}

void TStream::ReadBufferSlow(void* buffer, size_t count) {
    if (count == 0)
        return;
    if (Read(buffer, count) != count)
        throw EError(kStreamReadError);
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count == 0)
        return;
    if (Write(buffer, count) != count)
        throw EError(kStreamWriteError);
}

void TStream::WriteUInt8(uint8_t value) {
    WriteBuffer(&value, 1);
}

void TStream::WriteUInt16(uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    WriteBuffer(b, 2);
}

void TStream::WriteUInt32(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    WriteBuffer(b, 4);
}

void TStream::WriteInt32(int32_t value) {
    WriteUInt32(static_cast<uint32_t>(value));
}

void TStream::WriteFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    WriteUInt32(bits);
}

void TStream::Skip(uint64_t count) {
    if (count > Remaining())
        throw EError(kStreamReadError);
    SetPosition(Position() + count);
}

uint64_t TMemoryStream::Position() const {
    return static_cast<uint64_t>(windowPos_ - data_.data()) + overrun_;
}

void TMemoryStream::SetWindow(uint64_t position) {
    const uint8_t* const begin = data_.data();
    const size_t size = data_.size();
    const size_t inside = static_cast<size_t>(std::min<uint64_t>(position, size));
    windowPos_ = begin + inside;
    windowEnd_ = begin + size;
    overrun_ = position - inside;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const size_t n = std::min(count, static_cast<size_t>(windowEnd_ - windowPos_));
    if (n > 0)
        std::memcpy(buffer, windowPos_, n);
    windowPos_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0)
        return 0;
    const uint64_t position = Position();
    const uint64_t end = position + count;
    if (end > data_.size())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position, buffer, count);
    SetWindow(end);
    return count;
}

void TMemoryStream::SetPosition(uint64_t position) {
    SetWindow(position);
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    SetWindow(0);
}

void TMemoryStream::LoadFromFile(const std::string& nativePath, const std::string& displayPath) {
    QFile file(QString::fromStdString(nativePath));
    if (!file.open(QIODevice::ReadOnly))
        throw EError(CannotOpenFileMessage(displayPath));
    // Straight into the content, sized from the file; a file that grows or shrinks meanwhile
    // is read to its end all the same.
    std::vector<uint8_t> content(static_cast<size_t>(std::max<qint64>(file.size(), 0)));
    size_t filled = 0;
    for (;;) {
        char more[4096];
        const bool full = filled == content.size();
        char* const into = full ? more : reinterpret_cast<char*>(content.data() + filled);
        const qint64 got = file.read(into, full ? qint64{sizeof more}
                                                : static_cast<qint64>(content.size() - filled));
        if (got < 0)
            throw EError(CannotOpenFileMessage(displayPath));
        if (got == 0)
            break;
        if (full)
            content.insert(content.end(), more, more + got);
        filled += static_cast<size_t>(got);
    }
    content.resize(filled);
    data_.swap(content);
    SetWindow(0);
}

TMemoryStream& SharedStream() {
    static TMemoryStream stream;
    return stream;
}

} // namespace tv
