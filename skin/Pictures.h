#pragma once
// The theme's pictures, drawn by code the first time each is asked for and
// kept for the life of the program. Names follow the theme's resource names
// ("PINSTRIPE_TITLE_LEFT", "PINSTRIPE_BUTTON_MOUSEON", ...).

#include "skin/SkinTheme.h"

#include <QPixmap>
#include <QString>

namespace SkinPictures {

// A null pixmap for a name the theme does not have.
QPixmap picture(const QString &name);

// 17 x 17; null for TitleButtonType::Custom, which has no picture.
QPixmap titleButton(TitleButtonType type, SkinPictureState state);

// 84 x 23 pill.
QPixmap button(SkinPictureState state);

} // namespace SkinPictures
