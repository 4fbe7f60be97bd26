#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// A byte stream with a position. Numbers are little-endian and unaligned. Reading past the
// end raises "Stream read error"; a write the stream cannot take raises "Stream write error".
class TStream {
public:
    virtual ~TStream() = default;

    // Raw transfer: returns how many bytes were actually moved.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;

    virtual uint64_t Size() const = 0;
    virtual uint64_t Position() const = 0;
    virtual void SetPosition(uint64_t position) = 0;

    uint64_t Remaining() const;

    // Exact transfer or an EError.
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);

    uint8_t ReadUInt8();
    uint16_t ReadUInt16();
    int32_t ReadInt32();
    uint32_t ReadUInt32();
    float ReadFloat();

    void WriteUInt8(uint8_t value);
    void WriteUInt16(uint16_t value);
    void WriteInt32(int32_t value);
    void WriteUInt32(uint32_t value);
    void WriteFloat(float value);

    // Moves the position forward without reading; past the end is a read error.
    void Skip(uint64_t count);
};

// A growable in-memory stream.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    uint64_t Size() const override { return data_.size(); }
    uint64_t Position() const override { return position_; }
    void SetPosition(uint64_t position) override;

    void Clear();
    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }

    // Replaces the content with the whole file at a native path; position 0.
    // Raises "Cannot open file %s" (with displayPath) when it cannot be read.
    void LoadFromFile(const std::string& nativePath, const std::string& displayPath);

private:
    std::vector<uint8_t> data_;
    uint64_t position_ = 0;
};

// The process-wide memory stream the catalogue reader loads its file into.
TMemoryStream& SharedStream();

} // namespace tv
