#pragma once

#include <QUrl>
#include <functional>

// Opens a folder in the desktop's file manager or a page in its browser. Goes through the
// desktop (no command line is built from the path, so no path can be misread or run). Returns
// false when the desktop could not open it.
bool OpenWithDesktop(const QUrl& url);

// Replaces how URLs are opened (null restores the desktop), so tests open nothing. Returns the
// previous opener.
using DesktopOpener = std::function<bool(const QUrl& url)>;
DesktopOpener SetDesktopOpener(DesktopOpener opener);
