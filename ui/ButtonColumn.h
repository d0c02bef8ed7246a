// A window's column of themed buttons, made from a table: each row names a
// button, its caption, its top edge and its click handler.
#pragma once

#include "ui/Guard.h"
#include "skin/SkinButton.h"

#include <QFont>

#include <cstddef>
#include <optional>

template <typename Window>
struct ButtonRow {
    TSkinButton **button; // where the window keeps it
    const char *name;     // its object name
    const char *caption;  // UTF-8, with its accelerator
    int top;
    void (Window::*handler)();
};

// Where the column stands and how large its buttons are. A font given here is
// set on each button; without one they take the window's.
struct ButtonColumn {
    int left;
    int width;
    int height;
    std::optional<QFont> font = std::nullopt;
};

// Makes the buttons in the table's order, which is their tab order too, each
// clicking through the guard.
template <typename Window, std::size_t N>
void addButtonColumn(Window *window, const ButtonColumn &column, const ButtonRow<Window> (&rows)[N])
{
    for (const ButtonRow<Window> &r : rows) {
        auto *b = new TSkinButton(QString::fromUtf8(r.caption), window);
        b->setObjectName(QString::fromLatin1(r.name));
        if (column.font)
            b->setFont(*column.font);
        b->setGeometry(column.left, r.top, column.width, column.height);
        ui::connectGuarded(b, &TSkinButton::clicked, window, r.handler);
        *r.button = b;
    }
}
