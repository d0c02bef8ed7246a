#include "about/TForm17_About.h"

#include "about/OpenUrl.h"
#include "ui/Guard.h"
#include "ui/Jpeg.h"
#include "skin/SkinForm.h"

#include <QMouseEvent>

const QString TForm17_About::ContactAddress = QStringLiteral("Halvorn@Example.com");

namespace {

QLabel *blueLabel(QWidget *parent, const QString &text, int x, int y, const QFont &font)
{
    auto *l = new QLabel(text, parent);
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    l->setPalette(pal);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

TForm17_About::TForm17_About(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("关于Halvorn的Quillmere");
    const QFont f = design(QStringLiteral("Form17_About"), caption, QSize(424, 210));
    move(224, 178);

    From_About = new TSkinForm(this, caption,
                               {TitleButtonType::ControlBox, TitleButtonType::Close, TitleButtonType::Min});

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 28, 81, 81);
    Image1->setAlignment(Qt::AlignCenter);
    const QImage logo = loadJpeg(QStringLiteral(":/assets/about_logo.jpg"));
    if (!logo.isNull())
        Image1->setPixmap(QPixmap::fromImage(
            logo.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));

    QFont big(QStringLiteral("宋体"));
    big.setPixelSize(19);
    big.setBold(true);
    // The trailing blanks belong to the texts: they widen the labels, and a
    // text running past the right edge is cut off there.
    Label1 = blueLabel(this, QStringLiteral("Quillmere1.01版") + QString(16, u' '), 144, 48, big);
    // The author's name is short enough for the line to end 8 pixels inside
    // the right edge, the margin the window keeps on its left.
    Label2 = blueLabel(this, QStringLiteral("作者：林舒(Halvorn)    "), 284, 168, f);
    Label4 = blueLabel(this, QStringLiteral("联系我：  ") + ContactAddress + QStringLiteral("    "), 8, 188, f);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);
    Label3 = blueLabel(this, QStringLiteral("-------2003年4月26日     "), 276, 188, f);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4->setObjectName(QStringLiteral("Label4"));
    // The date line stands to the right of the contact line; keep the contact
    // line on top so that its whole text takes the click.
    Label4->raise();
}

void TForm17_About::Label4Click()
{
    shell::openUrl(QStringLiteral("mailto:") + ContactAddress.toLower(), this);
}

// A click is a left press on the contact line and its release over it; the
// second press of a double click starts no click of its own.
bool TForm17_About::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label4) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                m_label4Pressed = true;
            break;
        case QEvent::MouseButtonDblClick:
            m_label4Pressed = false;
            break;
        case QEvent::MouseButtonRelease: {
            auto *me = static_cast<QMouseEvent *>(event);
            if (me->button() == Qt::LeftButton && m_label4Pressed) {
                m_label4Pressed = false;
                if (Label4->rect().contains(me->position().toPoint()))
                    ui::guarded([this] { Label4Click(); });
            }
            break;
        }
        default:
            break;
        }
    }
    return TForm::eventFilter(watched, event);
}
