#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <stdexcept>

namespace tvtest {

ByteWriter& ByteWriter::u8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
}

ByteWriter& ByteWriter::u16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
}

ByteWriter& ByteWriter::i32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<uint8_t>(u >> (8 * i)));
    return *this;
}

ByteWriter& ByteWriter::f32(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    return i32(bits);
}

ByteWriter& ByteWriter::raw(std::initializer_list<uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
}

ByteWriter& ByteWriter::raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::ascii(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
}

ByteWriter& ByteWriter::shortString(const std::string& text) {
    u8(0x06);
    u8(static_cast<uint8_t>(text.size()));
    return ascii(text);
}

ByteWriter& ByteWriter::zeros(size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
}

MessageBoxRecorder::MessageBoxRecorder()
    : scope_([this](const std::string& text) {
          messages_.push_back(text);
          return tv::kMessageBoxOk;
      }) {}

TempDir::TempDir() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

std::string TempDir::path() const {
    return dir_.path().toStdString() + "/";
}

std::string TempDir::file(const std::string& relative) const {
    return path() + relative;
}

void TempDir::write(const std::string& relative, const Bytes& bytes) const {
    WriteFileBytes(file(relative), bytes);
}

Bytes TempDir::read(const std::string& relative) const {
    return ReadFileBytes(file(relative));
}

namespace {
ApplicationFactory& RegisteredFactory() {
    static ApplicationFactory factory;
    return factory;
}
} // namespace

bool RegisterApplicationFactory(ApplicationFactory factory) {
    RegisteredFactory() = std::move(factory);
    return true;
}

std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv) {
    if (RegisteredFactory())
        return RegisteredFactory()(argc, argv);
    return std::make_unique<QApplication>(argc, argv);
}

Bytes ReadFileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path);
    const QByteArray data = f.readAll();
    return Bytes(data.begin(), data.end());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

} // namespace tvtest
