#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tv {

// The one error type of the project. Every failure that reaches the editor's event loop
// is an EError (or a std::exception) carrying the text the designer sees.
class EError : public std::runtime_error {
public:
    explicit EError(const std::string& message) : std::runtime_error(message) {}
};

// A failure while reading one entry of a file's list (a map's objects, a catalogue's records):
// the message is the plain one, the entry its index from 0 (as a dump lists them).
class EEntryError : public EError {
public:
    EEntryError(const std::string& message, int entry) : EError(message), entry_(entry) {}
    int Entry() const { return entry_; }

private:
    int entry_;
};

// Engine error codes and their fixed messages.
enum EngineErrorCode : uint32_t {
    ERR_D3D_INTERFACE = 1,
    ERR_D3D_DEVICE_INIT = 2,
    ERR_DX_OBJECT = 3,
    ERR_D3D_DEVICE_RESET = 4,
    ERR_TEXTURE_LOAD = 5,
    ERR_DEVICE_CURSOR = 6,
    ERR_TEX_NOT_32BIT = 7,
    ERR_TEX_CONVERT = 8,
    ERR_SAMPLE_LOAD = 9,
    ERR_TEXT_ENTRY = 10,
};

std::string EngineErrorMessage(uint32_t code);

// Raises a plain EError whose message comes from the code table.
[[noreturn]] void RaiseEngineError(uint32_t code);

// Text shown by the general error box: a "." is appended when the message is not empty and
// its last byte sorts after ".".
std::string ErrorBoxText(const std::string& message);

// Standard messages of the file code.
inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kStreamWriteError = "Stream write error";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
std::string CannotOpenFileMessage(const std::string& path);
std::string CannotCreateFileMessage(const std::string& path);
// The class name as a message shows a name from a file (MessageName).
std::string ClassNotFoundMessage(const std::string& className);
std::string OutOfMemoryMessage(const std::string& path);

// A reading error's message with the file on a line of its own under the first one, which
// stays as it was: "Stream read error\nin /maps/level.tvm, entry 7".
std::string InFileMessage(const std::string& message, const std::string& path, int entry = -1);
// A writing error with the file and the system's reason on a second line: "Stream write
// error\nin /maps/level.tvm: No space left on device".
std::string WriteErrorMessage(const std::string& path, int errorNumber);

// An entry of a list as messages name it: "entry 3 (\"Rock\")", the name as MessageName
// shows it.
std::string EntryLabel(const char* kind, int index, std::string_view name);

// A text that no reader would take back (over kMaxTextBytes) met by a writer, raised before any
// of it is written: "Stream write error\nName of entry 3 (\"Rock\") is a text of 2097152 bytes,
// over the limit of 1048576 bytes". Writers that know the object add it (WithObject).
class ETextTooLong : public EError {
public:
    ETextTooLong(std::string field, uint64_t bytes, std::string object = std::string());
    const std::string& Field() const { return field_; }
    uint64_t Bytes() const { return bytes_; }
    // The same error naming the object the text belongs to.
    ETextTooLong WithObject(const std::string& object) const;
    // The second line alone, for notices.
    std::string Detail() const;

private:
    std::string field_;
    uint64_t bytes_;
    std::string object_;
};

// A long task stopped because the one waiting for it asked so (Cancel).
class ECancelled : public EError {
public:
    ECancelled() : EError("Cancelled") {}
};

// A long task reports how far it got; the one waiting may stop it.
class IProgress {
public:
    virtual ~IProgress() = default;
    // done of total steps; false asks the task to stop (it then raises ECancelled).
    virtual bool Report(uint64_t done, uint64_t total) = 0;
};

// Runs read, which reads the file at path (opened before, so that "Cannot open file %s" is
// not raised in it). An error it raises comes back as InFileMessage (with the entry of an
// EEntryError), running out of memory as "Out of memory reading <path>".
template <class Read> decltype(auto) ReadingFile(const std::string& path, Read&& read) {
    try {
        return read();
    } catch (const ECancelled&) {
        throw;
    } catch (const EEntryError& e) {
        throw EError(InFileMessage(e.what(), path, e.Entry()));
    } catch (const EError& e) {
        throw EError(InFileMessage(e.what(), path));
    } catch (const std::bad_alloc&) {
        throw EError(OutOfMemoryMessage(path));
    }
}

} // namespace tv
