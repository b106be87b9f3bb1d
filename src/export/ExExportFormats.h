#pragma once
// The document formats the export kit writes itself: HTML, fixed-width text, the clipboard, CSV,
// tab-separated text, DIF, SYLK, RTF and Word (RTF saved as a ".doc" file). Each is built in
// memory and written at the end in the tables' 8-bit ANSI bytes.

#include "export/ExExport.h"

#include <memory>
#include <string>
#include <string_view>

// The writer of a format the kit writes itself; null for the others (Excel).
std::unique_ptr<TExDocumentWriter> MakeFormatWriter(TExCustomExport& owner, TExExportType type);

// Text made safe for HTML: <, >, &, and both quotes as character references.
std::string ExHtmlEscape(std::string_view text);
// Text made safe for RTF: \, { and } escaped, bytes above 127 as \'hh, line breaks as \line.
std::string ExRtfEscape(std::string_view text);
// A CSV field: quotes doubled, and enclosed in quotes when it holds a blank, a comma, a quote,
// CR or LF.
std::string ExCsvField(std::string_view text);
// A tab-separated field: TAB, CR and LF become blanks.
std::string ExTabField(std::string_view text);
// The "#RRGGBB" text of a colour number (its bytes as they are, high byte first).
std::string ExHtmlColor(int color);
