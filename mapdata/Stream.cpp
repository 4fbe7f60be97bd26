#include "mapdata/Stream.h"

#include "mapdata/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

uint64_t TByteViewStream::Position() const {
    return static_cast<uint64_t>(windowPos_ - begin_) + overrun_;
}

void TByteViewStream::View(const uint8_t* bytes, size_t size, uint64_t position) {
    const size_t inside = static_cast<size_t>(std::min<uint64_t>(position, size));
    begin_ = bytes;
    size_ = size;
    windowPos_ = bytes + inside;
    windowEnd_ = bytes + size;
    overrun_ = position - inside;
}

size_t TByteViewStream::Read(void* buffer, size_t count) {
    const size_t n = std::min(count, static_cast<size_t>(windowEnd_ - windowPos_));
    if (n > 0)
        std::memcpy(buffer, windowPos_, n);
    windowPos_ += n;
    return n;
}

std::unique_ptr<TStream> TByteViewStream::OpenReader() const {
    return std::make_unique<TByteViewStream>(begin_, size_);
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0)
        return 0;
    const uint64_t position = Position();
    const uint64_t end = position + count;
    if (end > data_.size())
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position, buffer, count);
    View(data_.data(), data_.size(), end);
    return count;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    View(data_.data(), 0, 0);
}

void TMemoryStream::LoadFromFile(const std::string& nativePath, const std::string& displayPath) {
    data_ = ReadRegularFile(nativePath, displayPath);
    View(data_.data(), data_.size(), 0);
}

int OpenRegularFile(const std::string& nativePath, const std::string& displayPath, uint64_t& size) {
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw EError(CannotOpenFileMessage(displayPath));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EError(CannotOpenFileMessage(displayPath));
    }
    size = static_cast<uint64_t>(info.st_size);
    return fd;
}

namespace {

// The rest of an open file: straight into the content, sized from the file, and past that size
// through a small buffer, so that finding the end costs no copy of the content.
std::vector<uint8_t> ReadToEnd(int fd, uint64_t size, const std::string& displayPath) {
    std::vector<uint8_t> content(static_cast<size_t>(size));
    size_t filled = 0;
    for (;;) {
        uint8_t more[4096];
        const bool full = filled == content.size();
        uint8_t* const into = full ? more : content.data() + filled;
        const ssize_t got = ::read(fd, into, full ? sizeof more : content.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EError(CannotOpenFileMessage(displayPath));
        if (got == 0)
            break;
        if (full)
            content.insert(content.end(), more, more + got);
        filled += static_cast<size_t>(got);
    }
    content.resize(filled);
    return content;
}

} // namespace

std::vector<uint8_t> ReadRegularFile(const std::string& nativePath,
                                     const std::string& displayPath) {
    uint64_t size = 0;
    const int fd = OpenRegularFile(nativePath, displayPath, size);
    struct CloseOnExit {
        int Fd;
        ~CloseOnExit() { ::close(Fd); }
    } closeOnExit{fd};
    try {
        return ReadToEnd(fd, size, displayPath);
    } catch (const std::bad_alloc&) {
        throw EError(OutOfMemoryMessage(displayPath));
    }
}

struct TFileReadStream::OpenFile {
    explicit OpenFile(int fd) : Fd(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { ::close(Fd); }
    int Fd;
    uint64_t Size = 0;
};

std::shared_ptr<const TFileReadStream::OpenFile>
TFileReadStream::Open(const std::string& nativePath, const std::string& displayPath) {
    uint64_t size = 0;
    const int fd = OpenRegularFile(nativePath, displayPath, size);
    auto file = std::make_shared<OpenFile>(fd);
    file->Size = size;
    return file;
}

TFileReadStream::TFileReadStream(const std::string& nativePath, const std::string& displayPath,
                                 size_t bufferSize)
    : TFileReadStream(Open(nativePath, displayPath), bufferSize) {}

TFileReadStream::TFileReadStream(std::shared_ptr<const OpenFile> file, size_t bufferSize)
    : file_(std::move(file)), size_(file_->Size) {
    bufferSize_ = static_cast<size_t>(std::min<uint64_t>(size_, std::max<size_t>(bufferSize, 1)));
    buffer_.reset(new uint8_t[bufferSize_]);
    windowPos_ = windowEnd_ = buffer_.get();
}

TFileReadStream::~TFileReadStream() = default;

std::unique_ptr<TStream> TFileReadStream::OpenReader() const {
    return std::unique_ptr<TStream>(new TFileReadStream(file_, bufferSize_));
}

uint64_t TFileReadStream::Position() const {
    return bufferStart_ + static_cast<uint64_t>(windowPos_ - buffer_.get());
}

void TFileReadStream::SetPosition(uint64_t position) {
    const uint64_t filled = static_cast<uint64_t>(windowEnd_ - buffer_.get());
    if (position >= bufferStart_ && position - bufferStart_ <= filled) {
        windowPos_ = buffer_.get() + (position - bufferStart_);
        return;
    }
    bufferStart_ = position;
    windowPos_ = windowEnd_ = buffer_.get();
}

size_t TFileReadStream::ReadAt(uint64_t offset, uint8_t* into, size_t count) {
    size_t moved = 0;
    while (moved < count) {
        const ssize_t got =
            ::pread(file_->Fd, into + moved, count - moved, static_cast<off_t>(offset + moved));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the end of the file, or an error: what is missing is a read error
        moved += static_cast<size_t>(got);
    }
    return moved;
}

bool TFileReadStream::FillWindow(size_t count) {
    if (count > bufferSize_)
        return false;
    // The unread bytes move to the front, and the rest of the buffer is read after them.
    const size_t kept = static_cast<size_t>(windowEnd_ - windowPos_);
    const uint64_t position = Position();
    std::memmove(buffer_.get(), windowPos_, kept);
    bufferStart_ = position;
    const size_t added = ReadAt(position + kept, buffer_.get() + kept, bufferSize_ - kept);
    windowPos_ = buffer_.get();
    windowEnd_ = buffer_.get() + kept + added;
    return kept + added >= count;
}

size_t TFileReadStream::Read(void* buffer, size_t count) {
    auto* into = static_cast<uint8_t*>(buffer);
    const size_t fromWindow = std::min(count, static_cast<size_t>(windowEnd_ - windowPos_));
    if (fromWindow > 0)
        std::memcpy(into, windowPos_, fromWindow);
    windowPos_ += fromWindow;
    size_t moved = fromWindow;
    if (moved == count)
        return moved;
    if (count - moved >= bufferSize_) {
        // Too big for the buffer: straight from the file, and the buffer starts after it.
        const uint64_t position = Position();
        moved += ReadAt(position, into + moved, count - moved);
        SetPosition(position + (moved - fromWindow));
        return moved;
    }
    FillWindow(count - moved);
    const size_t rest = std::min(count - moved, static_cast<size_t>(windowEnd_ - windowPos_));
    std::memcpy(into + moved, windowPos_, rest);
    windowPos_ += rest;
    return moved + rest;
}

TMemoryStream& SharedStream() {
    static TMemoryStream stream;
    return stream;
}

} // namespace tv
