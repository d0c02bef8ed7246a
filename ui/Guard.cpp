#include "ui/Guard.h"

#include "core/Error.h"
#include "ui/Ui.h"

#include <QCoreApplication>
#include <QSet>

namespace ui {

QString errorText(const std::exception &e)
{
    if (const auto *own = dynamic_cast<const store::Error *>(&e))
        return own->text();
    return QString::fromLocal8Bit(e.what());
}

void showError(const std::exception &e) { showStandardError(errorText(e)); }

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        showError(e);
    }
    return false;
}

void reportLater(const QString &text)
{
    // The same failure met by many reads (every cell of a repaint) is one
    // report.
    static QSet<QString> queued;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        qWarning("%s", qPrintable(text));
        return;
    }
    if (queued.contains(text))
        return;
    queued.insert(text);
    QMetaObject::invokeMethod(app, [text] {
        queued.remove(text);
        showStandardError(text);
    }, Qt::QueuedConnection);
}

bool quietly(const std::function<void()> &fn)
{
    try {
        fn();
        return true;
    } catch (const std::exception &e) {
        reportLater(errorText(e));
    }
    return false;
}

} // namespace ui
