#include "platform/text_charset.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <cerrno>
#include <memory>

QString GuessTextEncoding(const QByteArray& bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(
        uchardet_new(), &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.constData(),
                                          static_cast<std::size_t>(bytes.size())) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    return charset ? QString::fromLatin1(charset).toUpper() : QString();
}

bool DecodeText(const QByteArray& bytes, const QString& encoding, QString& text, QString& error) {
    const QByteArray from = encoding.toLatin1();
    iconv_t cd = iconv_open("UTF-8", from.constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        error = QStringLiteral("the encoding %1 is not known here").arg(encoding);
        return false;
    }
    // UTF-8 takes at most four bytes for any character of an 8-bit or double-byte encoding.
    QByteArray out(bytes.size() * 4 + 4, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* to = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    const std::size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
    const int cause = errno;
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1) || inLeft != 0) {
        error = cause == EILSEQ || cause == EINVAL
                    ? QStringLiteral("it is not valid %1 text").arg(encoding)
                    : QStringLiteral("it cannot be decoded from %1").arg(encoding);
        return false;
    }
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    text = QString::fromUtf8(out);
    return true;
}
