// The backup commands: backup [FILE], restore FILE, backups.
#pragma once

#include "tools/data/Commands.h"

namespace datatool {

int backupCommand(Context &context, const QStringList &args);
int restoreCommand(Context &context, const QStringList &args);
int backupsCommand(Context &context, const QStringList &args);

// The exit code for a failure of a backup command: a file that cannot be
// read or written is a file error, anything else a refusal.
int backupFailure(Context &context, const std::exception_ptr &failure);

} // namespace datatool
