#include "about/OpenUrl.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace shell {

namespace {

OpenUrlHook &hook()
{
    static OpenUrlHook h;
    return h;
}

} // namespace

void openUrl(const QString &url, QWidget *owner)
{
    if (hook()) {
        hook()(url, owner);
        return;
    }
#ifdef Q_OS_WIN
    // No verb: the shell performs the link's default action.
    const QByteArray file = url.toLocal8Bit();
    ShellExecuteA(owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr, nullptr, file.constData(), nullptr,
                  nullptr, SW_SHOWNORMAL);
#else
    Q_UNUSED(owner);
    QDesktopServices::openUrl(QUrl(url));
#endif
}

void setOpenUrlHook(OpenUrlHook h) { hook() = std::move(h); }

} // namespace shell
