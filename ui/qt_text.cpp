#include "ui/qt_text.h"

#include <QCoreApplication>

#include "platform/text.h"

namespace orbix {

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString FromGbk(std::string_view gbk) { return FromUtf8(Utf8(gbk)); }

std::string ToGbk(const QString& text) { return Gbk(text.toStdString()); }

QString TrUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const std::string key(utf8);  // translate() wants a terminated string
    return QCoreApplication::translate(kTextContext, key.c_str());
}

QString TrGbk(std::string_view gbk) { return TrUtf8(Utf8(gbk)); }

std::string TrPrintable(std::string_view gbk) { return TrGbk(gbk).toStdString(); }

}  // namespace orbix
