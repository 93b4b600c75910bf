// Conversions between the program's byte strings and Qt's strings.
#pragma once

#include <QString>
#include <string>

namespace mw31 {

// UTF-8 when the bytes are valid UTF-8, else Latin-1 (films written on the old platform).
QString to_qstring(const std::string& text);
std::string from_qstring(const QString& text);
// File names: the bytes the file system expects.
std::string path_from_qstring(const QString& path);
QString path_to_qstring(const std::string& path);

}  // namespace mw31
