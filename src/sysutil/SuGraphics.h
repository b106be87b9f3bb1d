#pragma once
// The utility kit's colours: its extra colour names and the colour of the screen pixel under
// the mouse cursor.

#include "platform/gui/Graphics.h"

#include <string>
#include <utility>
#include <vector>

// The kit's colour names (name, colour) in the order they are registered. System colours are
// numbered as the window layer numbers them ($80000000 and up).
const std::vector<std::pair<std::string, TColor>>& SuColorNames();

// Registers the kit's colour names with the window layer: they are then known to form
// descriptions, StringToColor and ColorToString, before the layer's own names (a kit name of
// the same spelling wins). Harmless to call more than once.
void SuGraphicsStart();

// The colour of the screen pixel under the mouse cursor; clNone when the screen cannot be read.
TColor SuScreenPixelColor();
