#include "dbwidgets/DeleteRecord.h"

#include "data/DataSet.h"
#include "ui/Ui.h"

namespace store {

void deleteRecordIfConfirmed(DataSet *ds, QWidget *owner)
{
    if (ui::messageBox(QStringLiteral("Delete record?"), ui::applicationTitle(), ui::Icon::Question,
                       ui::Buttons::OkCancel, owner) == ui::IdOk)
        ds->del();
}

} // namespace store
