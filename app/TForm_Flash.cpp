#include "app/TForm_Flash.h"

#include <QGuiApplication>
#include <QScreen>

TForm_Flash::TForm_Flash(QWidget *parent) : TForm(parent)
{
    setObjectName(QStringLiteral("Form_Flash"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Form_Flash"));
    setClientSize(332, 213);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 332, 213);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(QStringLiteral(":/assets/splash.bmp")));
    Image1->setCursor(Qt::WaitCursor);

    Label1 = new QLabel(QStringLiteral("Halvorn Quillmere1.0版") + QString(9, u' '), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(14);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    Label1->move(4, 8);
    Label1->adjustSize();
    Label1->setCursor(Qt::WaitCursor);
}
