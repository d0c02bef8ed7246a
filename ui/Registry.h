// A registry accessor with the operations the start-up needs. On Windows it
// is the system registry; elsewhere HKEY_LOCAL_MACHINE is a registry file kept
// in the user's configuration directory, the way Windows compatibility layers
// keep a machine hive in the user's home.
#pragma once

#include <QMap>
#include <QString>

class TRegistry {
public:
    TRegistry();
    ~TRegistry();

    // Opens a key ("\\..." from the root, otherwise below the current key),
    // creating it when canCreate is set; false when that fails.
    bool OpenKey(const QString &key, bool canCreate);
    // Creates a key below the current key (or the root); throws
    // "创建主键 <key> 失败" when it cannot.
    void CreateKey(const QString &key);
    // Writes a string value into the current key; throws
    // "为 '<name>' 设置数据时失败" when it cannot.
    void WriteString(const QString &name, const QString &value);
    void CloseKey();
    QString currentPath() const { return m_current; }

    // Reads a value back (tests, diagnostics); empty when missing.
    static QString readString(const QString &keyPath, const QString &name);
    // The file that holds HKEY_LOCAL_MACHINE where there is no system registry.
    static QString hiveFile();

private:
    QString m_current;
    QString resolve(const QString &key, bool absoluteAllowed) const;
};
