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

void TStream::ReadBuffer(void* buffer, size_t count) {
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

uint8_t TStream::ReadUInt8() {
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

uint16_t TStream::ReadUInt16() {
    uint8_t b[2];
    ReadBuffer(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadUInt32() {
    uint8_t b[4];
    ReadBuffer(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

int32_t TStream::ReadInt32() {
    return static_cast<int32_t>(ReadUInt32());
}

float TStream::ReadFloat() {
    const uint32_t bits = ReadUInt32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
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

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const uint64_t available = Remaining();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, available));
    if (n > 0)
        std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0)
        return 0;
    const uint64_t end = position_ + count;
    if (end > data_.size())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, count);
    position_ = end;
    return count;
}

void TMemoryStream::SetPosition(uint64_t position) {
    position_ = position;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& nativePath, const std::string& displayPath) {
    QFile file(QString::fromStdString(nativePath));
    if (!file.open(QIODevice::ReadOnly))
        throw EError(CannotOpenFileMessage(displayPath));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EError(CannotOpenFileMessage(displayPath));
    data_.assign(content.begin(), content.end());
    position_ = 0;
}

TMemoryStream& SharedStream() {
    static TMemoryStream stream;
    return stream;
}

} // namespace tv
