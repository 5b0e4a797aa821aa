#pragma once
// Window geometry is laid out in twips; the screen is addressed in pixels,
// 15 twips to the pixel.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

namespace sheetwise::ui::qt {

inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct TwipsSize {
  int width = 0;
  int height = 0;
};

// Nearest pixel; halves go away from zero.
inline int TwipsToPx(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

inline int PxToTwips(int pixels) { return pixels * kTwipsPerPixel; }

inline QRect ToPixels(const TwipsRect& r) {
  return {TwipsToPx(r.left), TwipsToPx(r.top), TwipsToPx(r.width), TwipsToPx(r.height)};
}

inline QSize ToPixels(const TwipsSize& s) { return {TwipsToPx(s.width), TwipsToPx(s.height)}; }

inline QPoint ToPixels(int left, int top) { return {TwipsToPx(left), TwipsToPx(top)}; }

}  // namespace sheetwise::ui::qt
