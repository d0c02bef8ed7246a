#include "ui/Form.h"

#include "ui/Guard.h"
#include "ui/Ui.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

TForm::TForm(QWidget *parent) : QWidget(parent, Qt::Window) {}

void TForm::showModal() { ui::showModal(this); }

void TForm::showFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TForm::setClientSize(int w, int h) { setFixedSize(w, h); }

void TForm::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    // The window is shown whatever its preparation met; an error in it is
    // reported, not thrown back through the toolkit's show.
    if (!e->spontaneous())
        ui::guarded([this] { FormShow(); });
}

QFont TForm::design(const QString &objectName, const QString &caption, QSize size, Sizing sizing)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    if (sizing == Sizing::Fixed)
        setClientSize(size.width(), size.height());
    else
        resize(size);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(13);
    setFont(f);
    return f;
}

void TForm::centreOnScreen()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QLabel *TForm::addLabel(const QString &text, int x, int y, QWidget *on)
{
    auto *l = new QLabel(text, on ? on : this);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel *TForm::addNamedLabel(const char *objectName, const QString &text, int x, int y, QWidget *on)
{
    QLabel *l = addLabel(text, x, y, on);
    l->setObjectName(QString::fromLatin1(objectName));
    return l;
}

QLabel *TForm::addNumberLabel(int x, int y, int w, int h)
{
    auto *l = new QLabel(QStringLiteral("0"), this);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(x, y, w, h);
    return l;
}

QTimer *TForm::startTimer100(const std::function<void()> &tick, const char *objectName)
{
    auto *t = new QTimer(this);
    if (objectName)
        t->setObjectName(QString::fromLatin1(objectName));
    t->setInterval(100);
    ui::connectGuarded(t, &QTimer::timeout, this, tick);
    t->start();
    return t;
}
