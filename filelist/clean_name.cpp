#include "filelist/clean_name.h"

namespace {

bool IsForbidden(QChar c) {
    switch (c.unicode()) {
        case '*':
        case '?':
        case '|':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '<':
        case '>':
            return true;
        default:
            return false;
    }
}

bool IsBlankOrControl(QChar c) {
    return c.unicode() <= 32;
}

}  // namespace

QString CleanName(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!IsForbidden(c)) {
            result.append(c);
        }
    }
    return result;
}

QString CleanTitle(const QString& text) {
    const QString cleaned = CleanName(text);
    qsizetype begin = 0;
    qsizetype end = cleaned.size();
    while (begin < end && IsBlankOrControl(cleaned.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlankOrControl(cleaned.at(end - 1))) {
        --end;
    }
    return cleaned.mid(begin, end - begin);
}
