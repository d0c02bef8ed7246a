#pragma once
// Routes Alt+letter to the themed button that owns that letter. One filter
// serves the whole program; the first TSkinButton made installs it.

#include <QObject>

class QWidget;
class TSkinButton;

class TSkinAcceleratorFilter : public QObject
{
    Q_OBJECT
public:
    static void ensureInstalled();

    // The button that takes Alt+`letter` in `window`: the first enabled,
    // visible one in control order (children depth first, in child order,
    // not descending into other windows). Null if none.
    static TSkinButton *buttonFor(QWidget *window, QChar letter);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
