// Every window and the data module, made and unmade through the program's
// own creation list over a test's data directory.
#pragma once

#include "app/Windows.h"
#include "ui/Form.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace fixture {

class ProgramWindows {
public:
    // The login window's creation works out the data directory from the
    // program's place; this one is used instead. The engine's registry
    // values go to a configuration directory of the test's own.
    explicit ProgramWindows(const QString &dataPath);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    // The one window of type T.
    template <typename T>
    static T *window()
    {
        for (const program::Step &s : program::creationOrder()) {
            if (s.window) {
                if (auto *w = qobject_cast<T *>(*s.window))
                    return w;
            }
        }
        return nullptr;
    }

    // The window of this object name ("Form3_stud"), or null.
    static TForm *named(const QString &objectName);

private:
    QTemporaryDir m_config;
    QByteArray m_savedConfig;
};

} // namespace fixture
