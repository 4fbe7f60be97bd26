#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tv {

// The one error type of the project. Every failure that reaches the editor's event loop
// is an EError (or a std::exception) carrying the text the designer sees.
class EError : public std::runtime_error {
public:
    explicit EError(const std::string& message) : std::runtime_error(message) {}
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
std::string ClassNotFoundMessage(const std::string& className);

} // namespace tv
