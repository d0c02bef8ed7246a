// The class search dialog: finds classes by number or by name and shows how
// many were found.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;
class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
namespace store {
class TDBGrid;
}

class TForm12_Class_Query : public TForm {
    Q_OBJECT
public:
    explicit TForm12_Class_Query(QWidget *parent = nullptr);

    void Button_Class_QueryClick();

    TSkinForm *skinForm1;
    QLabel *Label1;
    TSkinComboBox *ComboBox_Class_Query;
    TSkinEdit *Edit_Class_Query;
    TSkinButton *Button_Class_Query;
    store::TDBGrid *DBGrid1;
    QLabel *Label2, *Label3, *Label4;

protected:
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void keepDesignedFrame();
    bool m_resized = false;
};
