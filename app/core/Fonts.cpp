#include "app/core/Fonts.h"

#include <QFontDatabase>

namespace fonts {

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

namespace {

// Worked out once: the installed fonts do not change while the program runs.
const QString &song()
{
    static const QString face = firstInstalled({QStringLiteral("Noto Serif CJK SC"),
                                                QStringLiteral("AR PL UMing CN"),
                                                QStringLiteral("AR PL SungtiL GB")});
    return face;
}

const QString &hei()
{
    static const QString face = firstInstalled({QStringLiteral("Noto Sans CJK SC"),
                                                QStringLiteral("WenQuanYi Zen Hei"),
                                                QStringLiteral("Droid Sans Fallback")});
    return face;
}

QStringList present(QStringList list)
{
    list.removeAll(QString());
    return list;
}

} // namespace

QStringList songFaces() { return present({song(), hei()}); }

QStringList heiFaces() { return present({hei(), song()}); }

} // namespace fonts
