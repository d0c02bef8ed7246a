#include "app/core/App.h"

#include "app/core/Action.h"
#include "app/core/Ui.h"
#include "store/Error.h"

#include <QFont>
#include <QFontDatabase>

#include <exception>

void initAssets()
{
    // The pictures live in a resource of a static library, which is not
    // registered by itself.
    Q_INIT_RESOURCE(assets);
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    initAssets();
    setQuitOnLastWindowClosed(false); // only the login window ends the program
    installFontSubstitutions();
}

void TApplication::guarded(const std::function<void()> &step)
{
    try {
        step();
    } catch (const store::Error &e) {
        ui::showStandardError(e.text());
    } catch (const std::exception &e) {
        ui::showStandardError(QString::fromLocal8Bit(e.what()));
    }
}

namespace {

// Events through which a user starts something.
bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Shortcut:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

// The handler in which the error arose ends here; the program goes on. The
// outermost dispatch is one action: committed when it ends, undone when an
// error ends it.
bool TApplication::notify(QObject *receiver, QEvent *event)
{
    action::EventScope scope(isUserInput(event));
    try {
        const bool result = QApplication::notify(receiver, event);
        scope.finish();
        return result;
    } catch (const store::Error &e) {
        ui::showStandardError(e.text());
    } catch (const std::exception &e) {
        ui::showStandardError(QString::fromLocal8Bit(e.what()));
    }
    return true;
}

void installFontSubstitutions()
{
    const QStringList families = QFontDatabase::families();
    auto pick = [&](const QStringList &candidates) {
        for (const QString &c : candidates) {
            if (families.contains(c))
                return c;
        }
        return QString();
    };
    const QString song = pick({QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                               QStringLiteral("AR PL SungtiL GB"), QStringLiteral("Noto Serif CJK SC")});
    const QString hei = pick({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Droid Sans Fallback")});
    const QString sans = pick({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    for (const char *name : {"宋体", "SimSun", "新宋体", "NSimSun"}) {
        if (!song.isEmpty())
            QFont::insertSubstitutions(QString::fromUtf8(name), {song, hei});
    }
    for (const char *name : {"黑体", "SimHei"}) {
        if (!hei.isEmpty())
            QFont::insertSubstitutions(QString::fromUtf8(name), {hei, song});
    }
    for (const char *name : {"MS Sans Serif", "Arial"}) {
        QStringList subs;
        if (!sans.isEmpty())
            subs << sans;
        if (!hei.isEmpty())
            subs << hei; // Chinese text in a Latin face
        if (!subs.isEmpty())
            QFont::insertSubstitutions(QString::fromUtf8(name), subs);
    }
}
