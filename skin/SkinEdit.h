#pragma once
// Single-line edit box without a frame of its own: a 2-pixel inner margin and
// two one-pixel rings on its outer edge (grey outline, then a ring in the
// box's own colour).

#include "skin/SkinAutoSelect.h"
#include "skin/SkinTheme.h"

#include <QLineEdit>

class TSkinEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TSkinEdit(QWidget *parent = nullptr);

    void setBorderColor(const QColor &c) { m_borderColor = c; update(); }
    QColor borderColor() const { return m_borderColor; }

    // The character shown for each typed one; a null QChar shows the text.
    void setPasswordChar(QChar c);
    QChar passwordChar() const { return m_passwordChar; }

protected:
    void paintEvent(QPaintEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    SkinAutoSelect m_autoSelect;
    QColor m_borderColor = SkinTheme::BorderColor;
    QChar m_passwordChar;
};
