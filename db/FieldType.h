// The kinds of value a table's columns hold, as the record layer sees them.
#pragma once

namespace store {

enum class FieldType { Text, Integer, DateTime, Bytes, Other };

} // namespace store
