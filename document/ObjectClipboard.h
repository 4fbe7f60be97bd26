#pragma once

// Placed objects on the clipboard: plain text in the JSON form "tvmtool map dump" prints for
// objects (one object, or a list of them), so it can go into a text file or another editor,
// plus the same bytes under the editor's own type.

#include "mapdata/Objects.h"

#include <QByteArray>
#include <memory>
#include <string>
#include <vector>

class QMimeData;

namespace tv {

class TObjMgr;

inline constexpr const char* kObjectsMimeType = "application/x-torvanikian-objects+json";

// One record as a JSON object; several as a JSON list of them.
std::string ObjectsJson(const std::vector<const TBaseInfo*>& records);
// The records of a JSON object or list of objects, each from its class defaults with the
// fields given; one whose Name is a prototype's of the catalogue (when given) from a copy of
// that prototype, as a map file loads it. Raises an EError that says what is wrong when the
// text is not that.
std::vector<std::unique_ptr<TBaseInfo>> ObjectsFromJson(const QByteArray& json,
                                                        const TObjMgr* catalogue = nullptr);

std::unique_ptr<QMimeData> ObjectsMimeData(const std::vector<const TBaseInfo*>& records);
// The records on the clipboard: the editor's own type where it is there, else the text.
std::vector<std::unique_ptr<TBaseInfo>> ObjectsFromMimeData(const QMimeData& data,
                                                            const TObjMgr* catalogue = nullptr);

} // namespace tv
