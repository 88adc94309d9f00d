#include "filelist/output_name_limits.h"

#include <QTextBoundaryFinder>

QString FitToNameBytes(const QString& text, qsizetype maxBytes) {
    if (text.toUtf8().size() <= maxBytes) {
        return text;
    }
    // Cut between graphemes, so no UTF-8 sequence, surrogate pair or accent is split.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype fits = 0;
    qsizetype bytes = 0;
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
        bytes += QStringView(text).mid(start, end - start).toUtf8().size();
        if (bytes > maxBytes) {
            break;
        }
        fits = end;
        start = end;
    }
    return text.left(fits);
}
