#pragma once
// Finding the controls of a window by name, as language file paths name them.

#include <string>

class TComponent;

// The first direct child control of `control` (in child order) whose name equals `name`, letter
// case ignored; null when `control` is null, is no windowed control, or has no such child.
TComponent* FindChildControl(const TComponent* control, const std::string& name);
