#pragma once
// Small routines used across the kit: the folders behind a path prefix, shortening a path for
// display, and rectangle and number arithmetic for the drawing routines.
//
// The path routines take the separator as a parameter: stored Windows-style names use '\\',
// paths of this system '/'. A drive ("C:") is recognised at the start of a folder part either
// way.

#include "platform/gui/Canvas.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

enum class TKitPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };

// The folder behind a prefix, with or without a trailing "/". This system has no Windows or
// system folder: ppWindows and ppSystem name the program folder, as ppProgram does. ppFixed
// is the empty text either way (a separator alone would name the root folder here).
std::string KitGetPrefixPath(TKitPathPrefix prefix, bool withBackslash);

// Cuts folders from the front of the path (replacing them with "...") until it fits in
// `maxLength` characters, then drops the drive, then the folders altogether; the file name
// always stays.
std::string KitShortenPath(std::string_view path, int maxLength, char separator = '/');
// One step of shortening: "\a\b\" -> "\...\b\", "\...\b\" -> "\...\", "\" -> "".
// A leading "...\" is the mark of an earlier step; a folder whose name only begins with a dot
// is an ordinary folder.
std::string KitCutFirstDirectory(std::string_view folder, char separator = '/');

// The source size scaled by the smaller of the two ratios target/source (each product
// rounded as the class library rounds) and placed at the target's top-left corner. A source
// or target without area gives the empty rectangle at the target's top-left corner.
TRect KitFitRect(const TRect& source, const TRect& target);
std::pair<int, int> KitRectSize(const TRect& rect);
// Adds the four values to the four sides (note the order: left, top, bottom, right).
TRect KitGrowRect(const TRect& rect, int dLeft, int dTop, int dBottom, int dRight);

// Largest or smallest of the values; 0 for none.
int KitMaxInt(std::initializer_list<int> values);
int KitMinInt(std::initializer_list<int> values);
double KitMinFloat(std::initializer_list<double> values);

// a * b / c rounded to the nearest integer (halves away from zero) with a 64-bit product, as
// the platform's multiply-divide: -1 when c is 0 or the result does not fit 32 bits.
int KitMulDiv(int a, int b, int c);
// The class library's Round: to the nearest integer, halves to the even one.
int64_t KitRound(double value);
