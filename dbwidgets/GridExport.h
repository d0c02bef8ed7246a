// The export of what a grid or table shows, from its context menu:
// "导出到 Excel...", "导出为 CSV..." (UTF-8) and "导出为 CSV (GB18030)...".
// Every row its model holds is written, in the columns it shows.
#pragma once

#include "exchange/Write.h"

#include <QAbstractItemView>
#include <QString>

#include <functional>
#include <memory>

namespace store {

class TDBGrid;

// Makes the rows to export when the user asks for them.
using SourceMaker = std::function<std::unique_ptr<exchange::TableSource>()>;

// Adds the menu to any view; name: the file name offered (without ending).
void addExportMenu(QAbstractItemView *view, const QString &name, SourceMaker makeSource);
// A view over any model: the columns it does not hide, titled by the
// model's header, a column's kind taken from its first row's values.
void addExportMenu(QAbstractItemView *view, const QString &name);

// The rows of a data-aware grid: all the records of its dataset, the
// columns as the grid shows them, dates and numbers as their fields hold them.
std::unique_ptr<exchange::TableSource> gridRows(TDBGrid &grid);

// What the menu item does: asks for the file, writes it, says how many
// records went out. Errors end in the standard error box.
void exportView(QWidget *owner, const QString &name, const QString &ending, const QString &encoding,
                const SourceMaker &makeSource);

} // namespace store
