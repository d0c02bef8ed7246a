#include "skin/Pictures.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// Rows of the title pieces: light grey with a fine white line every other
// row, a little darker towards the bottom, a darker last row.
QColor titleRow(int y)
{
    if (y == 0)
        return QColor(250, 250, 250);
    if (y == 22)
        return QColor(160, 160, 160);
    const int shade = 226 - y / 2;
    return (y % 2) ? QColor(shade, shade, shade) : QColor(252, 252, 252);
}

QPixmap titlePiece(int width, bool leftEnd, bool rightEnd)
{
    QImage img(width, 23, QImage::Format_RGB32);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixelColor(x, y, titleRow(y));
    // A soft highlight and shade at the bar's two ends.
    if (leftEnd)
        for (int y = 1; y < 22; ++y)
            img.setPixelColor(0, y, QColor(255, 255, 255));
    if (rightEnd)
        for (int y = 1; y < 22; ++y)
            img.setPixelColor(width - 1, y, QColor(200, 200, 200));
    return QPixmap::fromImage(img);
}

QPixmap faceTile()
{
    static const QColor rows[4] = {QColor(255, 255, 255), QColor(239, 239, 239),
                                   QColor(232, 232, 232), QColor(239, 239, 239)};
    QImage img(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            img.setPixelColor(x, y, rows[y % 4]);
    return QPixmap::fromImage(img);
}

struct Hue { QColor light, base, dark; };

Hue titleButtonHue(TitleButtonType type)
{
    switch (type) {
    case TitleButtonType::Close: return {QColor(255, 170, 160), QColor(222, 60, 45), QColor(150, 30, 20)};
    case TitleButtonType::Min: return {QColor(255, 225, 150), QColor(240, 170, 30), QColor(170, 110, 10)};
    case TitleButtonType::Max: return {QColor(190, 240, 170), QColor(80, 185, 60), QColor(40, 120, 30)};
    case TitleButtonType::Help: return {QColor(180, 210, 255), QColor(60, 120, 220), QColor(30, 70, 150)};
    case TitleButtonType::ControlBox: return {QColor(220, 190, 245), QColor(140, 80, 200), QColor(85, 40, 135)};
    case TitleButtonType::Custom: break;
    }
    return {QColor(230, 230, 230), QColor(180, 180, 180), QColor(120, 120, 120)};
}

QPixmap titleButtonPicture(TitleButtonType type, SkinPictureState state)
{
    // Opaque, like the bar behind it: the bar's rows 4 to 20 first.
    QImage img(17, 17, QImage::Format_RGB32);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x)
            img.setPixelColor(x, y, titleRow(y + 4));

    Hue hue = titleButtonHue(type);
    if (state == SkinPictureState::MouseOn) {
        hue.light = hue.light.lighter(108);
        hue.base = hue.base.lighter(118);
    } else if (state == SkinPictureState::MouseDown) {
        hue.light = hue.base;
        hue.base = hue.base.darker(125);
        hue.dark = hue.dark.darker(120);
    }

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(1.5, 1.5, 14, 14);
    QRadialGradient body(QPointF(8.5, 11.5), 9.0);
    body.setColorAt(0.0, hue.light);
    body.setColorAt(0.6, hue.base);
    body.setColorAt(1.0, hue.dark);
    p.setPen(QPen(hue.dark, 1.0));
    p.setBrush(body);
    p.drawEllipse(disc);
    // The gloss on the upper half.
    QLinearGradient gloss(0, 2, 0, 9);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 220));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(4, 2.5, 9, 6));

    // The glyph; the close button shows its cross only under the pointer.
    QPen glyph(QColor(255, 255, 255), 1.6, Qt::SolidLine, Qt::RoundCap);
    QPen dark(hue.dark.darker(130), 1.6, Qt::SolidLine, Qt::RoundCap);
    switch (type) {
    case TitleButtonType::Close:
        if (state != SkinPictureState::Normal) {
            p.setPen(glyph);
            p.drawLine(QPointF(5.5, 5.5), QPointF(11.5, 11.5));
            p.drawLine(QPointF(11.5, 5.5), QPointF(5.5, 11.5));
        }
        break;
    case TitleButtonType::Min:
        p.setPen(dark);
        p.drawLine(QPointF(5, 8.5), QPointF(12, 8.5));
        break;
    case TitleButtonType::Max:
        p.setPen(dark);
        p.drawLine(QPointF(5, 8.5), QPointF(12, 8.5));
        p.drawLine(QPointF(8.5, 5), QPointF(8.5, 12));
        break;
    case TitleButtonType::Help: {
        QFont f(QStringLiteral("Sans Serif"));
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(255, 255, 255));
        p.drawText(QRectF(0, 0.5, 17, 17), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case TitleButtonType::ControlBox:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255));
        p.drawEllipse(QRectF(6.5, 6.5, 4, 4));
        break;
    case TitleButtonType::Custom:
        break;
    }
    p.end();
    return QPixmap::fromImage(img);
}

// Glossy horizontal pill on a transparent ground.
QPixmap pill(SkinPictureState state)
{
    QImage img(84, 23, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QColor top, mid, bottom, edge;
    switch (state) {
    case SkinPictureState::Normal:
        top = QColor(255, 255, 255); mid = QColor(246, 246, 246);
        bottom = QColor(226, 226, 226); edge = QColor(140, 140, 140);
        break;
    case SkinPictureState::MouseOn:
        top = QColor(225, 240, 255); mid = QColor(160, 205, 250);
        bottom = QColor(110, 170, 235); edge = QColor(60, 110, 180);
        break;
    case SkinPictureState::MouseDown:
        top = QColor(150, 195, 240); mid = QColor(90, 150, 220);
        bottom = QColor(60, 115, 195); edge = QColor(35, 75, 140);
        break;
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, 83, 22);
    QLinearGradient fill(0, 0, 0, 23);
    fill.setColorAt(0.0, top);
    fill.setColorAt(0.5, mid);
    fill.setColorAt(0.52, mid.darker(104));
    fill.setColorAt(1.0, bottom);
    p.setPen(QPen(edge, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(body, 11, 11);
    QLinearGradient gloss(0, 1, 0, 11);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 200));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(4, 1.5, 76, 9), 5, 5);
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap comboButton()
{
    QImage img(16, 17, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(255, 255, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 17);
    fill.setColorAt(0.0, QColor(235, 245, 255));
    fill.setColorAt(0.5, QColor(200, 225, 250));
    fill.setColorAt(0.52, QColor(180, 212, 245));
    fill.setColorAt(1.0, QColor(205, 228, 252));
    p.setPen(QPen(QColor(130, 165, 205), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 16), 2, 2);
    p.end();
    return QPixmap::fromImage(img);
}

QString stateSuffix(SkinPictureState s)
{
    switch (s) {
    case SkinPictureState::Normal: return QStringLiteral("_NORMAL");
    case SkinPictureState::MouseOn: return QStringLiteral("_MOUSEON");
    case SkinPictureState::MouseDown: return QStringLiteral("_MOUSEDOWN");
    }
    return {};
}

QString buttonTypeName(TitleButtonType t)
{
    switch (t) {
    case TitleButtonType::Close: return QStringLiteral("CLOSE");
    case TitleButtonType::Min: return QStringLiteral("MIN");
    case TitleButtonType::Max: return QStringLiteral("MAX");
    case TitleButtonType::Help: return QStringLiteral("HELP");
    case TitleButtonType::ControlBox: return QStringLiteral("CTLBOX");
    case TitleButtonType::Custom: break;
    }
    return {};
}

QPixmap draw(const QString &name)
{
    if (name == QLatin1String("PINSTRIPE_TITLE_LEFT"))
        return titlePiece(48, true, false);
    if (name == QLatin1String("PINSTRIPE_TITLE_RIGHT"))
        return titlePiece(48, false, true);
    if (name == QLatin1String("PINSTRIPE_TITLE_CLIENT"))
        return titlePiece(49, false, false);
    if (name == QLatin1String("PINSTRIPE_FORM_BACKGROUND"))
        return faceTile();
    if (name == QLatin1String("PINSTRIPE_COMBOBOX_BUTTON"))
        return comboButton();
    const SkinPictureState states[] = {SkinPictureState::Normal, SkinPictureState::MouseOn,
                                       SkinPictureState::MouseDown};
    for (SkinPictureState s : states) {
        if (name == QLatin1String("PINSTRIPE_BUTTON") + stateSuffix(s))
            return pill(s);
        const TitleButtonType types[] = {TitleButtonType::Close, TitleButtonType::Min,
                                         TitleButtonType::Max, TitleButtonType::Help,
                                         TitleButtonType::ControlBox};
        for (TitleButtonType t : types)
            if (name == QLatin1String("PINSTRIPE_TITLEBTN_") + buttonTypeName(t) + stateSuffix(s))
                return titleButtonPicture(t, s);
    }
    return {};
}

} // namespace

namespace SkinPictures {

QPixmap picture(const QString &name)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    QPixmap pm = draw(name);
    if (!pm.isNull())
        cache.insert(name, pm);
    return pm;
}

QPixmap titleButton(TitleButtonType type, SkinPictureState state)
{
    if (type == TitleButtonType::Custom)
        return {};
    return picture(QLatin1String("PINSTRIPE_TITLEBTN_") + buttonTypeName(type) + stateSuffix(state));
}

QPixmap button(SkinPictureState state)
{
    return picture(QLatin1String("PINSTRIPE_BUTTON") + stateSuffix(state));
}

} // namespace SkinPictures
