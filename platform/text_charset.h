#pragma once

#include <QByteArray>
#include <QString>

// 8-bit text of unknown encoding, as rippers on every system have written cue sheets: the
// encoding is guessed from the bytes (uchardet) and the text decoded with iconv.

// The encoding the bytes most likely are in, as iconv names it ("WINDOWS-1251", "SHIFT_JIS",
// "UTF-8" ...); empty when they do not look like text in any encoding known.
QString GuessTextEncoding(const QByteArray& bytes);

// The bytes decoded from `encoding`. False, with the cause in `error`, when iconv does not know
// the encoding or the bytes are not valid in it.
bool DecodeText(const QByteArray& bytes, const QString& encoding, QString& text, QString& error);
