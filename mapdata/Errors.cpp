#include "mapdata/Errors.h"

#include "mapdata/Text.h"

#include <cstring>

namespace tv {

std::string EngineErrorMessage(uint32_t code) {
    switch (code) {
    case ERR_D3D_INTERFACE:
        return "D3D interface not created.";
    case ERR_D3D_DEVICE_INIT:
        return "D3D Device initialization failed.";
    case ERR_DX_OBJECT:
        return "Error when creating DX object.";
    case ERR_D3D_DEVICE_RESET:
        return "D3D Device reset failed.";
    case ERR_TEXTURE_LOAD:
        return "Error when loading texture.";
    case ERR_DEVICE_CURSOR:
        return "Error when setting device cursor.";
    case ERR_TEX_NOT_32BIT:
        return "Tex->Bmp convert error.Not a 32 bit Texture.";
    case ERR_TEX_CONVERT:
        return "Error whern converting texture.";
    case ERR_SAMPLE_LOAD:
        return "Error when loading sample.";
    case ERR_TEXT_ENTRY:
        return "Invalid text Entry.";
    default:
        return "Unknown Error";
    }
}

void RaiseEngineError(uint32_t code) {
    throw EError(EngineErrorMessage(code));
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

std::string CannotOpenFileMessage(const std::string& path) {
    return "Cannot open file " + path;
}

std::string CannotCreateFileMessage(const std::string& path) {
    return "Cannot create file " + path;
}

std::string ClassNotFoundMessage(const std::string& className) {
    return "Class " + MessageName(className) + " not found";
}

std::string OutOfMemoryMessage(const std::string& path) {
    return "Out of memory reading " + path;
}

std::string InFileMessage(const std::string& message, const std::string& path, int entry) {
    std::string where = "in " + path;
    if (entry >= 0)
        where += Format(", entry %d", entry);
    const size_t firstLineEnd = message.find('\n');
    if (firstLineEnd == std::string::npos)
        return message + "\n" + where;
    return message.substr(0, firstLineEnd) + "\n" + where + message.substr(firstLineEnd);
}

std::string WriteErrorMessage(const std::string& path, int errorNumber) {
    return std::string(kStreamWriteError) + "\nin " + path + ": " + std::strerror(errorNumber);
}

std::string EntryLabel(const char* kind, int index, std::string_view name) {
    return Format("%s %d (\"%s\")", kind, index, MessageName(name).c_str());
}

ETextTooLong::ETextTooLong(std::string field, uint64_t bytes, std::string object)
    : EError(std::string(kStreamWriteError) + "\n" +
             Format("%s%s%s is a text of %llu bytes, over the limit of %u bytes", field.c_str(),
                    object.empty() ? "" : " of ", object.c_str(),
                    static_cast<unsigned long long>(bytes), kMaxTextBytes)),
      field_(std::move(field)), bytes_(bytes), object_(std::move(object)) {}

ETextTooLong ETextTooLong::WithObject(const std::string& object) const {
    return ETextTooLong(field_, bytes_, object);
}

std::string ETextTooLong::Detail() const {
    const std::string message = what();
    return message.substr(message.find('\n') + 1);
}

} // namespace tv
