#include "base/qt/qt_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace sorpex {

QString fromCp932(std::string_view text) {
    QStringDecoder decoder("Shift_JIS");
    return decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

std::string toCp932(const QString& text, bool* ok) {
    QStringEncoder encoder("Shift_JIS");
    QByteArray bytes = encoder.encode(text);
    if (ok) {
        *ok = !encoder.hasError();
    }
    return bytes.toStdString();
}

} // namespace sorpex
