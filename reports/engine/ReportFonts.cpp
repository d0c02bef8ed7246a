#include "reports/engine/ReportFonts.h"

#include <QFontDatabase>

namespace report {

namespace {

QString firstInstalled(const QStringList &candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString &c : candidates) {
        if (families.contains(c, Qt::CaseInsensitive))
            return c;
    }
    return {};
}

} // namespace

void installFontSubstitutions()
{
    const QString song = firstInstalled({QStringLiteral("AR PL UMing CN"),
                                         QStringLiteral("AR PL UMing TW"),
                                         QStringLiteral("Noto Serif CJK SC"),
                                         QStringLiteral("AR PL SungtiL GB")});
    const QString hei = firstInstalled({QStringLiteral("WenQuanYi Zen Hei"),
                                        QStringLiteral("Noto Sans CJK SC"),
                                        QStringLiteral("WenQuanYi Micro Hei"),
                                        QStringLiteral("Droid Sans Fallback")});
    // Faces with Arial's widths first, so that texts fill the columns as the
    // layouts were measured for; any sans face will do otherwise.
    const QString sans = firstInstalled({QStringLiteral("Liberation Sans"),
                                         QStringLiteral("Arimo"),
                                         QStringLiteral("Nimbus Sans"),
                                         QStringLiteral("Nimbus Sans L"),
                                         QStringLiteral("DejaVu Sans"),
                                         QStringLiteral("FreeSans")});

    auto put = [](const QString &name, QStringList subs) {
        subs.removeAll(QString());
        if (subs.isEmpty())
            return;
        QFont::removeSubstitutions(name);
        QFont::insertSubstitutions(name, subs);
    };
    // The Chinese faces fall back on each other for characters they lack.
    put(QStringLiteral("宋体"), {song, hei});
    put(QStringLiteral("SimSun"), {song, hei});
    put(QStringLiteral("黑体"), {hei, song});
    put(QStringLiteral("SimHei"), {hei, song});
    put(QStringLiteral("Arial"), {sans, song});
    put(QStringLiteral("MS Sans Serif"), {sans, song});
}

QFont toQFont(const ReportFont &font)
{
    QFont f(font.family);
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    // Hinting would make widths differ between the preview and the paper.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace report
