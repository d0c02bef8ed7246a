#include "reports/engine/ReportFonts.h"

#include "ui/Fonts.h"

#include <QHash>

namespace report {

namespace {

// The faces that draw a report font name, best first; empty for a name the
// reports do not use. Worked out once: the installed fonts do not change
// while the program runs.
QStringList facesFor(const QString &name)
{
    static const QHash<QString, QStringList> table = [] {
        // Faces with Arial's widths first, so that texts fill the columns as
        // the layouts were measured for; any sans face will do otherwise.
        const QString sans = fonts::firstInstalled({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                                    QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans L"),
                                                    QStringLiteral("DejaVu Sans"), QStringLiteral("FreeSans")});
        // The Chinese faces whose PDF text reads back as the characters
        // printed: the Noto CJK faces share one glyph between a character
        // and its Kangxi radical, and a printed "生" would be copied out of
        // the PDF as "⽣". They fall back on each other.
        const QString songFace = fonts::firstInstalled({QStringLiteral("AR PL UMing CN"),
                                                        QStringLiteral("AR PL UMing TW"),
                                                        QStringLiteral("AR PL SungtiL GB"),
                                                        QStringLiteral("Noto Serif CJK SC")});
        const QString heiFace = fonts::firstInstalled({QStringLiteral("WenQuanYi Zen Hei"),
                                                       QStringLiteral("WenQuanYi Micro Hei"),
                                                       QStringLiteral("Droid Sans Fallback"),
                                                       QStringLiteral("Noto Sans CJK SC")});
        auto faces = [](QStringList list) {
            list.removeAll(QString());
            return list;
        };
        const QStringList song = faces({songFace, heiFace}), hei = faces({heiFace, songFace}),
                          latin = faces({sans, songFace, heiFace});
        return QHash<QString, QStringList>{
            {QStringLiteral("宋体"), song},
            {QStringLiteral("SimSun"), song},
            {QStringLiteral("黑体"), hei},
            {QStringLiteral("SimHei"), hei},
            {QStringLiteral("Arial"), latin},
            {QStringLiteral("MS Sans Serif"), latin},
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
