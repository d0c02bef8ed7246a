// Which engine holds a data directory's tables: the server the engine
// settings name, or the directory's own files. The one place that knows
// both engines; everything else reaches them through the Engine interface.
#pragma once

#include "db/Engine.h"

#include <QString>

#include <memory>

namespace store {

// The engine of a data directory, shared with every dataset on it.
std::shared_ptr<Engine> openEngine(const QString &dir);

} // namespace store
