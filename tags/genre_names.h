#pragma once

#include <QStringList>

// The 148 genre names offered by the tag editor's genre list: the ID3v1 genres with their widely
// used extensions, in their published order. Only a list of suggestions: a genre is stored and
// written as free text, never as an index.
const QStringList& GenreNames();

// The genre a TCON text names: an ID3v1 reference "(3)", "3", "(3)Dance" or "(RX)" becomes the
// name it stands for; any other text, an unknown number among them, comes back as it is.
QString GenreFromId3(const QString& text);
