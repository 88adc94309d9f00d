#pragma once

#include <QString>

// The text without any of the nine characters that cannot stand in a file name on the systems
// our outputs travel to: * ? | : " / \ < >. List titles become output file names.
QString CleanName(const QString& text);

// A tag title as the list uses it: CleanName, then blanks and control characters (code points up
// to 32) trimmed from both ends.
QString CleanTitle(const QString& text);
