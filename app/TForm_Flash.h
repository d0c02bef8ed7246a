// The splash window shown while the program starts.
#pragma once

#include "ui/Form.h"

#include <QLabel>

class TForm_Flash : public TForm {
    Q_OBJECT
public:
    explicit TForm_Flash(QWidget *parent = nullptr);
    QLabel *Image1;
    QLabel *Label1;
};
