#pragma once

#include <QString>

// The longest file name, in bytes of its UTF-8 form, that Linux file systems accept.
constexpr qsizetype kMaxNameBytes = 255;

// The longest start of text whose UTF-8 form takes at most maxBytes, cut between graphemes.
QString FitToNameBytes(const QString& text, qsizetype maxBytes);
