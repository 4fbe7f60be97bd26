#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// Little-endian values from unaligned bytes.
inline uint16_t DecodeUInt16(const uint8_t* b) {
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t DecodeUInt32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
inline float DecodeFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// A byte stream with a position. Numbers are little-endian and unaligned. Reading past the
// end raises "Stream read error"; a write the stream cannot take raises "Stream write error".
//
// Streams that hold their bytes in memory expose the bytes ahead of the position as a read
// window, so that the fixed-size readers below take them inline instead of through Read.
class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Raw transfer: returns how many bytes were actually moved.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;

    virtual uint64_t Size() const = 0;
    virtual uint64_t Position() const = 0;
    virtual void SetPosition(uint64_t position) = 0;

    uint64_t Remaining() const;

    // Exact transfer or an EError.
    void ReadBuffer(void* buffer, size_t count) {
        if (WindowHas(count)) {
            if (count > 0)
                std::memcpy(buffer, windowPos_, count);
            windowPos_ += count;
            return;
        }
        ReadBufferSlow(buffer, count);
    }
    void WriteBuffer(const void* buffer, size_t count);

    // The next count bytes in place, or nullptr when the stream cannot lend them (it does not
    // hold them in memory, or they run past the end). Peek leaves the position; Borrow moves
    // it past them when it lends them. The bytes stay valid until the stream is changed.
    const uint8_t* Peek(size_t count) {
        return WindowHas(count) || FillWindow(count) ? windowPos_ : nullptr;
    }
    const uint8_t* Borrow(size_t count) {
        if (!WindowHas(count) && !FillWindow(count))
            return nullptr;
        const uint8_t* bytes = windowPos_;
        windowPos_ += count;
        return bytes;
    }

    uint8_t ReadUInt8() {
        uint8_t b[1];
        ReadBuffer(b, 1);
        return b[0];
    }
    uint16_t ReadUInt16() {
        uint8_t b[2];
        ReadBuffer(b, 2);
        return DecodeUInt16(b);
    }
    uint32_t ReadUInt32() {
        uint8_t b[4];
        ReadBuffer(b, 4);
        return DecodeUInt32(b);
    }
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    float ReadFloat() { return DecodeFloat(ReadUInt32()); }

    void WriteUInt8(uint8_t value);
    void WriteUInt16(uint16_t value);
    void WriteInt32(int32_t value);
    void WriteUInt32(uint32_t value);
    void WriteFloat(float value);

    // Moves the position forward without reading; past the end is a read error.
    void Skip(uint64_t count);

    // Another reader of the same bytes, at position 0 and moving on its own, that another
    // thread may use while this stream is read (as long as nothing writes to either). nullptr
    // when the stream cannot offer one.
    virtual std::unique_ptr<TStream> OpenReader() const { return nullptr; }

protected:
    // Asks the stream to make its window hold at least count bytes from the position; true
    // when it does. Streams without a window cannot.
    virtual bool FillWindow(size_t count) {
        (void)count;
        return false;
    }

    // The bytes from the position on that can be read without a call to Read; a subclass
    // that sets them counts what the inline readers take as read.
    const uint8_t* windowPos_ = nullptr;
    const uint8_t* windowEnd_ = nullptr;

private:
    bool WindowHas(size_t count) const {
        return static_cast<size_t>(windowEnd_ - windowPos_) >= count;
    }
    void ReadBufferSlow(void* buffer, size_t count);
};

// A run of fixed-size fields taken from a stream in one transfer and decoded in order.
template <size_t N> class TFieldRun {
public:
    explicit TFieldRun(TStream& stream) { stream.ReadBuffer(bytes_, N); }
    ~TFieldRun() { assert(at_ == N); } // every field of the run was decoded

    uint8_t UInt8() { return *Next(1); }
    uint16_t UInt16() { return DecodeUInt16(Next(2)); }
    uint32_t UInt32() { return DecodeUInt32(Next(4)); }
    int32_t Int32() { return static_cast<int32_t>(UInt32()); }
    float Float() { return DecodeFloat(UInt32()); }

private:
    const uint8_t* Next(size_t size) {
        const uint8_t* at = bytes_ + at_;
        at_ += size;
        return at;
    }

    uint8_t bytes_[N];
    size_t at_ = 0;
};

// Reads bytes held elsewhere in memory, which must stay as they are while it is used. All the
// bytes after the position are its read window. Writing is refused.
class TByteViewStream : public TStream {
public:
    TByteViewStream(const uint8_t* bytes, size_t size) { View(bytes, size, 0); }

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void*, size_t) override { return 0; }
    uint64_t Size() const override { return size_; }
    uint64_t Position() const override;
    void SetPosition(uint64_t position) override { View(begin_, size_, position); }
    std::unique_ptr<TStream> OpenReader() const override;

protected:
    TByteViewStream() = default;
    // Points the stream at bytes with the window from position on (past the end: an empty
    // window, and the rest is remembered in overrun_).
    void View(const uint8_t* bytes, size_t size, uint64_t position);

private:
    const uint8_t* begin_ = nullptr;
    size_t size_ = 0;
    uint64_t overrun_ = 0;
};

// A growable in-memory stream: a view of its own bytes that can also be written.
class TMemoryStream : public TByteViewStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {
        View(data_.data(), data_.size(), 0);
    }

    size_t Write(const void* buffer, size_t count) override;

    void Clear();
    const std::vector<uint8_t>& Bytes() const { return data_; }

    // Replaces the content with the whole file at a native path (ReadRegularFile); position 0.
    // Raises "Cannot open file %s" (with displayPath) when it cannot be read.
    void LoadFromFile(const std::string& nativePath, const std::string& displayPath);

private:
    std::vector<uint8_t> data_;
};

// Reads a regular file front to back through a buffer that is its window, so that large
// files are read in pieces into memory that stays the same. Moving the position back inside
// the buffer costs nothing; elsewhere the next read starts there. Writing is refused.
class TFileReadStream : public TStream {
public:
    static constexpr size_t kDefaultBufferSize = 256 * 1024;

    // Raises "Cannot open file %s" (with displayPath) when the file cannot be opened or is not
    // a regular file (a pipe or a device could be endless).
    TFileReadStream(const std::string& nativePath, const std::string& displayPath,
                    size_t bufferSize = kDefaultBufferSize);
    ~TFileReadStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void*, size_t) override { return 0; }
    uint64_t Size() const override { return size_; }
    uint64_t Position() const override;
    void SetPosition(uint64_t position) override;
    // Reads the same open file, so it sees the same file even if the path is given to
    // another one meanwhile.
    std::unique_ptr<TStream> OpenReader() const override;

protected:
    bool FillWindow(size_t count) override;

private:
    struct OpenFile;
    static std::shared_ptr<const OpenFile> Open(const std::string& nativePath,
                                                const std::string& displayPath);
    TFileReadStream(std::shared_ptr<const OpenFile> file, size_t bufferSize);

    // Reads from the file at an offset; the bytes moved.
    size_t ReadAt(uint64_t offset, uint8_t* into, size_t count);

    std::shared_ptr<const OpenFile> file_; // shared with the readers opened from this one
    uint64_t size_ = 0;
    std::unique_ptr<uint8_t[]> buffer_; // bufferSize_ bytes, not cleared before use
    size_t bufferSize_ = 0;
    uint64_t bufferStart_ = 0; // the file offset of buffer_[0]
};

// Opens a regular file for reading, without blocking: opening a pipe that nobody writes to
// would wait, and a pipe or a device may never end. Raises "Cannot open file %s" (with
// displayPath) when it cannot be opened or is not a regular file. Returns the descriptor (the
// caller closes it); size receives the file's size.
int OpenRegularFile(const std::string& nativePath, const std::string& displayPath, uint64_t& size);

// The whole content of a regular file (OpenRegularFile); a file that grows or shrinks meanwhile
// is read to its end all the same. "Cannot open file %s" also when reading fails, "Out of
// memory reading %s" when the content does not fit in memory.
std::vector<uint8_t> ReadRegularFile(const std::string& nativePath, const std::string& displayPath);

// The process-wide memory stream the catalogue reader loads its file into.
TMemoryStream& SharedStream();

} // namespace tv
