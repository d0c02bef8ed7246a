#include "app/core/Guard.h"

#include "app/core/Error.h"
#include "app/core/Ui.h"

namespace ui {

void showError(const std::exception &e)
{
    if (const auto *own = dynamic_cast<const store::Error *>(&e))
        showStandardError(own->text());
    else
        showStandardError(QString::fromLocal8Bit(e.what()));
}

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        showError(e);
    }
    return false;
}

} // namespace ui
