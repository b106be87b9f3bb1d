#pragma once
// Conversion between the system's ANSI text (cp1252 bytes in std::string) and Qt's text.
// The window layer is the only place where this conversion happens. Also the caption text
// without its accelerator marks.

#include <QString>

#include <string>
#include <string_view>

QString ToQString(std::string_view ansiText);
std::string FromQString(const QString& text);

// A caption as shown without its accelerator marks: "&File" gives "File", "&&" gives one "&".
std::string WithoutAmpersands(const std::string& caption);
