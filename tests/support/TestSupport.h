#pragma once

#include "mapdata/Notices.h"

#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace tvtest {

using Bytes = std::vector<uint8_t>;

// Builds byte-exact test data.
class ByteWriter {
public:
    ByteWriter& u8(uint8_t v);
    ByteWriter& u16(uint16_t v);
    ByteWriter& i32(int32_t v);
    ByteWriter& f32(float v);
    ByteWriter& raw(std::initializer_list<uint8_t> bytes);
    ByteWriter& raw(const Bytes& bytes);
    ByteWriter& ascii(const std::string& text);       // bytes only, no tag
    ByteWriter& shortString(const std::string& text); // 06 len bytes
    ByteWriter& zeros(size_t count);
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

// Collects every text shown through ShowMessageBox while it lives.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    const std::vector<std::string>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

private:
    std::vector<std::string> messages_;
    tv::ScopedMessageBoxHandler scope_;
};

// A temporary folder that is removed with the object.
class TempDir {
public:
    TempDir();
    std::string path() const; // ends with "/"
    std::string file(const std::string& relative) const;
    void write(const std::string& relative, const Bytes& bytes) const;
    Bytes read(const std::string& relative) const;

private:
    QTemporaryDir dir_;
};

// A test program that needs an application class of its own (the editor's, with its error
// guard) registers a factory from a static initialiser; main then makes the application with
// it instead of a plain QApplication.
using ApplicationFactory = std::function<std::unique_ptr<QApplication>(int& argc, char** argv)>;
bool RegisterApplicationFactory(ApplicationFactory factory);
std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv);

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

} // namespace tvtest
