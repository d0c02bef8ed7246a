// The application object: reports an error that got past the handlers' guard
// (ui/Guard.h) in the standard error box, at the one place every event
// passes through.
#pragma once

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Registers the program's pictures (tests that build windows without the
// application object call it too).
void initAssets();

// Qt's own dialogs and buttons (print, page set-up, save file) speak the
// desktop's language through Qt's translations; the program's own texts are
// Chinese whatever the desktop.
class QLocale;
void installQtTranslations(const QLocale &locale);

// Maps the font names the windows and reports use ("宋体", "黑体", "MS Sans
// Serif", "Arial") to faces installed here.
void installFontSubstitutions();
