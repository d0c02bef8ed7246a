// What the user reads when an engine refuses or fails: the same words from
// the files and from the server, so that a clerk's experience does not
// depend on where the records are kept.
#pragma once

#include <QString>

namespace store::texts {

inline QString readOnly() { return QStringLiteral("表文件是只读的，无法写入"); }
inline QString diskFull() { return QStringLiteral("磁盘已满，无法写入表文件"); }
inline QString noAccess() { return QStringLiteral("没有访问表文件的权限"); }
inline QString duplicateKey() { return QStringLiteral("关键字重复"); }
inline QString constraintBroken() { return QStringLiteral("记录不符合表的约束"); }
// Another program stored something since this one last showed the records.
inline QString storedMeanwhile() { return QStringLiteral("数据已被其他用户修改,已重新读取,请重新操作!"); }
// Another clerk holds the lock a write needs for longer than the busy timeout.
inline QString othersWriting() { return QStringLiteral("其他用户正在修改记录,请稍后再试"); }
inline QString saveFailed(const QString &why) { return QStringLiteral("保存修改失败: %1").arg(why); }

} // namespace store::texts
