#include "reports/engine/ReportFonts.h"

#include <QFontDatabase>
#include <QHash>

namespace report {

namespace {

QString firstInstalled(const QStringList &candidates)
{
    // A family that several foundries provide is listed once per foundry,
    // as "Nimbus Sans [urw]"; the bare name reaches any of them.
    QStringList families = QFontDatabase::families();
    for (QString &f : families) {
        const qsizetype bracket = f.indexOf(QLatin1String(" ["));
        if (bracket > 0)
            f.truncate(bracket);
    }
    for (const QString &c : candidates) {
        if (families.contains(c, Qt::CaseInsensitive))
            return c;
    }
    return {};
}

// The faces that draw a report font name, best first; empty for a name the
// reports do not use. Worked out once: the installed fonts do not change
// while the program runs.
QStringList facesFor(const QString &name)
{
    static const QHash<QString, QStringList> table = [] {
        const QString song = firstInstalled({QStringLiteral("AR PL UMing CN"),
                                             QStringLiteral("AR PL UMing TW"),
                                             QStringLiteral("Noto Serif CJK SC"),
                                             QStringLiteral("AR PL SungtiL GB")});
        const QString hei = firstInstalled({QStringLiteral("WenQuanYi Zen Hei"),
                                            QStringLiteral("Noto Sans CJK SC"),
                                            QStringLiteral("WenQuanYi Micro Hei"),
                                            QStringLiteral("Droid Sans Fallback")});
        // Faces with Arial's widths first, so that texts fill the columns as
        // the layouts were measured for; any sans face will do otherwise.
        const QString sans = firstInstalled({QStringLiteral("Liberation Sans"),
                                             QStringLiteral("Arimo"),
                                             QStringLiteral("Nimbus Sans"),
                                             QStringLiteral("Nimbus Sans L"),
                                             QStringLiteral("DejaVu Sans"),
                                             QStringLiteral("FreeSans")});
        auto faces = [](QStringList list) {
            list.removeAll(QString());
            return list;
        };
        // The Chinese faces fall back on each other for characters they lack.
        return QHash<QString, QStringList>{
            {QStringLiteral("宋体"), faces({song, hei})},
            {QStringLiteral("SimSun"), faces({song, hei})},
            {QStringLiteral("黑体"), faces({hei, song})},
            {QStringLiteral("SimHei"), faces({hei, song})},
            {QStringLiteral("Arial"), faces({sans, song})},
            {QStringLiteral("MS Sans Serif"), faces({sans, song})},
        };
    }();
    return table.value(name);
}

} // namespace

void installFontSubstitutions()
{
    for (const char *name : {"宋体", "SimSun", "黑体", "SimHei", "Arial", "MS Sans Serif"}) {
        const QString family = QString::fromUtf8(name);
        const QStringList subs = facesFor(family);
        if (subs.isEmpty())
            continue;
        QFont::removeSubstitutions(family);
        QFont::insertSubstitutions(family, subs);
    }
}

QFont toQFont(const ReportFont &font)
{
    QFont f(font.family);
    // The faces are named directly rather than through the application's
    // font substitutions, which serve the windows and may pick other faces
    // (a wider sans for Arial, the Hei face for Chinese in it).
    const QStringList faces = facesFor(font.family);
    if (!faces.isEmpty())
        f.setFamilies(faces);
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    // Hinting would make widths differ between the preview and the paper.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace report
