// The About window: program name and version, the maker's logo, author, date
// and a contact line that opens a new mail message to the author.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TSkinForm;

class TForm17_About : public TForm {
    Q_OBJECT
public:
    explicit TForm17_About(QWidget *parent = nullptr);

    // The contact address as shown; the mail link uses it in lower case.
    static const QString ContactAddress;

    void Label4Click();

    TSkinForm *From_About;
    QLabel *Image1;
    QLabel *Label1, *Label2, *Label4, *Label3;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_label4Pressed = false;
};
