// The faces that draw the Windows font names the windows ask for. A Chinese
// desktop here has the Noto CJK families: a Song (serif) face and a Hei (sans)
// face whose Latin letters are proper ones, so that "Halvorn" is drawn
// neither with a gap nor with an "l" like a "1" as in older CJK faces.
#pragma once

#include <QStringList>

namespace fonts {

// The first of the candidates that is installed, known by any of its names,
// as the font list names it (in the desktop's language where the face has a
// name in it); "" when none is.
QString firstInstalled(const QStringList &candidates);

// The windows' Song face, then their Hei face, each falling back on the other
// for the characters it lacks; empty where neither is installed.
QStringList songFaces();
QStringList heiFaces();

} // namespace fonts
