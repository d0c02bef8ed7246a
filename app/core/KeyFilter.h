// The integer-only key filter of the credit and score boxes: a typed
// character passes only if it is a digit; any other character (Backspace,
// Enter and Escape included) is discarded and "请输入整数!" is shown. Keys
// that type no character (Delete, arrows) pass.
#pragma once

#include <QObject>

class QWidget;

class IntegerKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit IntegerKeyFilter(QObject *parent = nullptr) : QObject(parent) {}
    // Filters the keys typed into box.
    static void install(QWidget *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
