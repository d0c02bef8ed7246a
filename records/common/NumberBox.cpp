#include "records/common/NumberBox.h"

#include "ui/Ui.h"
#include "data/Walk.h"

#include <QLineEdit>

namespace records {

void refuseTakenNumber(QLineEdit *box, store::DataSet &table, const QString &field, const QString &announcement)
{
    if (store::containsText(table, field, box->text())) {
        ui::messageBox(announcement, QStringLiteral("系统提示"), ui::Icon::Information);
        box->clear();
    }
}

} // namespace records
