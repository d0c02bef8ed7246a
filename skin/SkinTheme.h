#pragma once
// Values shared by the themed controls. Only the Pinstripe theme is drawn;
// the other names exist because windows store a theme number.

#include <QColor>

enum class SkinUIStyle { Custom, Pinstripe, Silver, Ocean, Ember, Glass };

// Title-bar button kinds, in the order the theme numbers them.
enum class TitleButtonType { Max, Min, Close, Help, ControlBox, Custom };

// Which of its three pictures a button (push button or title-bar button)
// currently shows.
enum class SkinPictureState { Normal, MouseOn, MouseDown };

namespace SkinTheme {
inline constexpr int BorderWidth = 1;
inline const QColor BorderColor{127, 127, 127};
inline const QColor FrameColor{231, 231, 231};
inline const QColor MainFrameColor{219, 219, 219};
inline const QColor DisabledTextColor{128, 128, 128};
inline const QColor ComboButtonColor{231, 231, 231};

inline constexpr int MinWindowWidth = 130;
inline constexpr int MinWindowHeight = 50;
inline constexpr int ResizeZone = 5;

inline constexpr int TitleBarHeight = 23;
inline constexpr int TitleButtonSize = 17;
inline constexpr int TitleButtonTop = 4;
inline constexpr int LeftBtnXOffset = 3;
inline constexpr int RightBtnXOffset = -2;
inline constexpr int ButtonInterval = 0;
inline constexpr int CaptionGap = 5;   // control box picture to caption

inline constexpr int ButtonHeight = 23;
inline constexpr int ComboButtonStrip = 18;
} // namespace SkinTheme
