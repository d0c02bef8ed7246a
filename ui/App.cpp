#include "ui/App.h"

#include "core/Action.h"
#include "ui/Fonts.h"
#include "ui/Guard.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>
#include <initializer_list>

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
    installQtTranslations(QLocale());
}

void installQtTranslations(const QLocale &locale)
{
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    auto *t = new QTranslator(QCoreApplication::instance());
    if (!t->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t; // a language Qt does not speak, or the C locale
        return;
    }
    QCoreApplication::installTranslator(t);
    installed = t;
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

// The last resort: a handler that let an error past the guard ends here, and
// the program goes on. The outermost dispatch is one action: committed when
// it ends, undone when an error ends it.
bool TApplication::notify(QObject *receiver, QEvent *event)
{
    action::EventScope scope(isUserInput(event));
    try {
        const bool result = QApplication::notify(receiver, event);
        scope.finish();
        return result;
    } catch (const std::exception &e) {
        ui::showError(e);
    }
    return true;
}

void installFontSubstitutions()
{
    const QStringList song = fonts::songFaces(), hei = fonts::heiFaces();
    // The Latin names the windows use (title bars, the account grid's
    // titles) get the Hei face too: its Latin letters are proper ones, and
    // Chinese text in a Latin font looks as it did on a Chinese Windows.
    const struct {
        std::initializer_list<const char *> names;
        const QStringList &faces;
    } groups[] = {
        {{"宋体", "SimSun", "新宋体", "NSimSun"}, song},
        {{"黑体", "SimHei", "MS Sans Serif", "Arial"}, hei},
    };
    for (const auto &g : groups) {
        for (const char *name : g.names) {
            const QString family = QString::fromUtf8(name);
            QFont::removeSubstitutions(family);
            if (!g.faces.isEmpty())
                QFont::insertSubstitutions(family, g.faces);
        }
    }
}
