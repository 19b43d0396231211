#pragma once
// Twips (1/1440 inch) are the unit of every position and size the program keeps.
#include <windows.h>

#include <cstdint>

namespace tk {

// Twips per screen pixel in this process: 15 at 96 dpi, 12 at 120 dpi.
float TwipsPerPixelX();
float TwipsPerPixelY();

// The primary screen, whole (not its work area), in twips.
float ScreenWidth();
float ScreenHeight();

int PixelsX(float twips);
int PixelsY(float twips);
// The pixel rectangle of a twips rectangle: each edge rounded on its own, so that
// rectangles that touch in twips touch on the screen.
RECT PixelEdges(float left, float top, float width, float height);

// Refuses a size below 0 with a Failure (invalid property value).
void RequireSize(float twips);

// The most twips a window keeps and gives back as a 32-bit integer: it keeps them in
// single precision, where anything above this rounds up to 2^31.
constexpr int32_t MostTwips = 2147483583;
// Refuses, with a Failure naming the property, a position or size above MostTwips.
float KeptTwips(const wchar_t* property, int32_t twips);

// Nearest 32-bit integer, halves to the even neighbour; throws a Failure
// (overflow) when the value lies outside the 32-bit range.
int32_t RoundHalfEven(double value);

// 32-bit arithmetic that throws a Failure (overflow) instead of wrapping.
int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedSub(int32_t a, int32_t b);

}  // namespace tk
