// Points, sizes and rectangles in pixels, as the platform's Types unit has them.
#pragma once

namespace Types {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are exclusive: a rectangle at 0,0 of width 10 has Right 10.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int Left, int Top, int Right, int Bottom) {
  return TRect{Left, Top, Right, Bottom};
}
inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return TRect{Left, Top, Left + Width, Top + Height};
}
inline TPoint Point(int X, int Y) {
  return TPoint{X, Y};
}

} // namespace Types
