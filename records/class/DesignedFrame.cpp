#include "records/class/DesignedFrame.h"

#include "skin/SkinForm.h"
#include "skin/SkinTitleBar.h"

void placeDesignedFrame(TSkinForm *frame, const QRect &rect)
{
    frame->setGeometry(rect);
    frame->titleBar()->setGeometry(0, 0, rect.width(), frame->titleBar()->height());
}
