#include "ui/Registry.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QString join(const QString &a, const QString &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + u'\\' + b;
}

#ifndef Q_OS_WIN
// The hive file: "[key]" sections with "name"="value" lines, backslashes and
// quotes escaped, as in a registry export. Key and value names ignore case.
struct Hive {
    QMap<QString, QString> keyNames;                // lower-case path -> path as written
    QMap<QString, QMap<QString, QPair<QString, QString>>> values; // key -> lower name -> (name, value)

    static QString unescape(const QString &s)
    {
        QString out;
        for (int i = 0; i < s.size(); ++i) {
            if (s[i] == u'\\' && i + 1 < s.size())
                ++i;
            out += s[i];
        }
        return out;
    }
    static QString escape(QString s)
    {
        s.replace(u'\\', QLatin1String("\\\\"));
        s.replace(u'"', QLatin1String("\\\""));
        return s;
    }

    void load()
    {
        QFile f(TRegistry::hiveFile());
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return;
        QString key;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (QString line : lines) {
            line = line.trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                key = line.mid(1, line.size() - 2);
                key.remove(QStringLiteral("HKEY_LOCAL_MACHINE\\"));
                keyNames.insert(key.toLower(), key);
            } else if (line.startsWith(u'"') && !key.isEmpty()) {
                const int sep = line.indexOf(QLatin1String("\"=\""));
                if (sep < 0)
                    continue;
                const QString name = unescape(line.mid(1, sep - 1));
                const QString value = unescape(line.mid(sep + 3, line.size() - sep - 4));
                values[key.toLower()].insert(name.toLower(), {name, value});
            }
        }
    }

    bool save() const
    {
        const QString path = TRegistry::hiveFile();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
            return false;
        QString text = QStringLiteral("REGEDIT4\n");
        for (auto it = keyNames.cbegin(); it != keyNames.cend(); ++it) {
            text += QStringLiteral("\n[HKEY_LOCAL_MACHINE\\%1]\n").arg(it.value());
            const auto vals = values.value(it.key());
            for (const auto &nv : vals)
                text += QStringLiteral("\"%1\"=\"%2\"\n").arg(escape(nv.first), escape(nv.second));
        }
        f.write(text.toUtf8());
        return f.commit();
    }

    bool ensureKey(const QString &path)
    {
        QString sofar;
        bool added = false;
        for (const QString &part : path.split(u'\\', Qt::SkipEmptyParts)) {
            sofar = join(sofar, part);
            if (!keyNames.contains(sofar.toLower())) {
                keyNames.insert(sofar.toLower(), sofar);
                added = true;
            }
        }
        return !added || save();
    }
};
#endif

} // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() = default;

QString TRegistry::hiveFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("quillmere/HKEY_LOCAL_MACHINE.reg"));
}

QString TRegistry::resolve(const QString &key, bool absoluteAllowed) const
{
    if (absoluteAllowed && key.startsWith(u'\\'))
        return key.mid(1);
    return join(m_current, key);
}

#ifdef Q_OS_WIN

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    const QString path = resolve(key, true);
    HKEY h = nullptr;
    LONG rc = canCreate ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(path.utf16()), 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &h, nullptr)
                        : RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(path.utf16()), 0, KEY_ALL_ACCESS, &h);
    if (rc != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    m_current = path;
    return true;
}

void TRegistry::CreateKey(const QString &key)
{
    HKEY h = nullptr;
    const QString path = resolve(key, false);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(path.utf16()), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr) != ERROR_SUCCESS)
        throw store::Error(QStringLiteral("创建主键 %1 失败").arg(key));
    RegCloseKey(h);
}

void TRegistry::WriteString(const QString &name, const QString &value)
{
    HKEY h = nullptr;
    bool ok = RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(m_current.utf16()), 0, KEY_SET_VALUE, &h)
              == ERROR_SUCCESS;
    if (ok) {
        // The data size counts the terminating zero.
        ok = RegSetValueExW(h, reinterpret_cast<LPCWSTR>(name.utf16()), 0, REG_SZ,
                            reinterpret_cast<const BYTE *>(value.utf16()), DWORD((value.size() + 1) * 2))
             == ERROR_SUCCESS;
        RegCloseKey(h);
    }
    if (!ok)
        throw store::Error(QStringLiteral("为 '%1' 设置数据时失败").arg(name));
}

QString TRegistry::readString(const QString &keyPath, const QString &name)
{
    wchar_t buf[1024];
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(keyPath.utf16()),
                     reinterpret_cast<LPCWSTR>(name.utf16()), RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return QString();
    return QString::fromWCharArray(buf);
}

#else

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    Hive hive;
    hive.load();
    const QString path = resolve(key, true);
    if (!hive.keyNames.contains(path.toLower()) && (!canCreate || !hive.ensureKey(path)))
        return false;
    m_current = path;
    return true;
}

void TRegistry::CreateKey(const QString &key)
{
    Hive hive;
    hive.load();
    if (!hive.ensureKey(resolve(key, false)))
        throw store::Error(QStringLiteral("创建主键 %1 失败").arg(key));
}

void TRegistry::WriteString(const QString &name, const QString &value)
{
    Hive hive;
    hive.load();
    const bool ok = hive.ensureKey(m_current);
    hive.values[m_current.toLower()].insert(name.toLower(), {name, value});
    if (!ok || !hive.save())
        throw store::Error(QStringLiteral("为 '%1' 设置数据时失败").arg(name));
}

QString TRegistry::readString(const QString &keyPath, const QString &name)
{
    Hive hive;
    hive.load();
    return hive.values.value(keyPath.toLower()).value(name.toLower()).second;
}

#endif

void TRegistry::CloseKey() { m_current.clear(); }
