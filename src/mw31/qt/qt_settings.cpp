// Profile settings through QSettings in INI format: a section is an INI group.
#include "mw31/qt/qt_settings.h"

#include <QSettings>
#include <QStandardPaths>

#include "mw31/qt/qt_text.h"

namespace mw31 {

namespace {
QString key_path(const std::string& section, const std::string& key) {
    // An empty section means the INI file's top level (QSettings calls it "General").
    if (section.empty()) return to_qstring(key);
    return to_qstring(section) + u'/' + to_qstring(key);
}
}  // namespace

std::string profile_path() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return path_from_qstring(base + QStringLiteral("/kurvlab/kurvlab.conf"));
}

std::string qt_profile_get(const std::string& section, const std::string& key,
                           const std::string& fallback) {
    if (key.empty()) return fallback;
    QSettings settings(path_to_qstring(profile_path()), QSettings::IniFormat);
    const QVariant value = settings.value(key_path(section, key));
    if (!value.isValid()) return fallback;
    return from_qstring(value.toString());
}

void qt_profile_set(const std::string& section, const std::string& key, const std::string& value) {
    if (key.empty()) return;
    QSettings settings(path_to_qstring(profile_path()), QSettings::IniFormat);
    settings.setValue(key_path(section, key), to_qstring(value));
    settings.sync();
}

}  // namespace mw31
