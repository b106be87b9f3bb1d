#pragma once
// Conversion between the system's ANSI text (cp1252 bytes in std::string) and Qt's text.
// The window layer is the only place where this conversion happens.

#include <QString>

#include <string>
#include <string_view>

QString ToQString(std::string_view ansiText);
std::string FromQString(const QString& text);
