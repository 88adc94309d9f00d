#include "app/desktop_open.h"

#include <QDesktopServices>
#include <utility>

namespace {
DesktopOpener& Opener() {
    static DesktopOpener opener;
    return opener;
}
}  // namespace

bool OpenWithDesktop(const QUrl& url) {
    if (Opener()) {
        return Opener()(url);
    }
    return QDesktopServices::openUrl(url);
}

DesktopOpener SetDesktopOpener(DesktopOpener opener) {
    return std::exchange(Opener(), std::move(opener));
}
