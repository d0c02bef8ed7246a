#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace fonts {

QString firstInstalled(const QStringList &candidates)
{
    // The font list names a face once, in the desktop's language where the
    // face has a name in it: a Chinese desktop lists WenQuanYi Zen Hei only
    // as "文泉驿正黑", and a family that several foundries provide as "Nimbus
    // Sans [urw]". hasFamily() knows a face by every one of its names; the
    // name returned is the one the list holds, with no foundry.
    for (const QString &c : candidates) {
        if (!QFontDatabase::hasFamily(c))
            continue;
        QString listed = QFontInfo(QFont(c)).family();
        const qsizetype bracket = listed.indexOf(QLatin1String(" ["));
        if (bracket > 0)
            listed.truncate(bracket);
        return listed;
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
