// One clerk's report of one action, as a line on its stdout, and the
// parent's reading of it.
#pragma once

#include <QString>

#include <optional>

namespace bench::load {

// The actions a clerk does, in the order the figures list them.
inline constexpr const char *Kinds[] = {"browse",         "search_number", "search_class",
                                        "add_score",      "change_student", "register",
                                        "delete_score",   "delete_student", "print_list"};

enum class Outcome { Ok, RefusedConflict, RefusedLock, Error };
QString outcomeName(Outcome o);

struct Entry {
    int clerk = 0;
    QString kind;
    double ms = 0;
    Outcome outcome = Outcome::Ok;
    // For a write: the student number it was for (a registration's new one).
    QString target;
    // What to look for afterwards: an added or deleted score's marker, a
    // changed field's new value. Empty when there is nothing to look for.
    QString value;
    // The box that ended the action, when it was not a success.
    QString text;
};

// A tab-separated line starting with "LOAD", no line break.
QString format(const Entry &e);
// The entry of a line of clerk's output; nothing for other lines.
std::optional<Entry> parse(int clerk, const QString &line);

// How the boxes an action showed end it: none, or only success boxes, is ok.
Outcome classify(const QString &boxText);

} // namespace bench::load
