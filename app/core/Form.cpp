#include "app/core/Form.h"

#include "app/core/Ui.h"

#include <QShowEvent>

TForm::TForm(QWidget *parent) : QWidget(parent, Qt::Window) {}

void TForm::showModal() { ui::showModal(this); }

void TForm::showFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TForm::setClientSize(int w, int h) { setFixedSize(w, h); }

void TForm::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}
