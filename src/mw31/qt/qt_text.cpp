// String conversions shared by the Qt backend.
#include "mw31/qt/qt_text.h"

#include <QFile>
#include <QStringDecoder>

namespace mw31 {

QString to_qstring(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return s;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string from_qstring(const QString& text) {
    return text.toStdString();
}

std::string path_from_qstring(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString path_to_qstring(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

}  // namespace mw31
