#pragma once
// The clipboard, as text.

#include <string>

class TClipboard {
public:
    std::string AsText() const;
    void SetAsText(const std::string& text);
    bool HasText() const;
    void Clear();
};

// The one clipboard object.
TClipboard& Clipboard();
