#pragma once
// Reader for the rich text (RTF) the program shows in its read-only rich-text boxes: paragraphs,
// line breaks, tabs, bold, italic, underline, strike-out, font sizes and names, colours from the
// colour table, paragraph alignment, \'hh ANSI characters and \uN Unicode characters. Pictures,
// tables and other destinations are skipped. Damaged text never fails: what can be read is
// shown, and groups nested deeper than a fixed limit are skipped.

#include <string_view>

class QTextDocument;

// True when the text begins like rich text ("{\rtf").
bool IsRichText(std::string_view text);
// Replaces the document's content with the text of `rtf`.
void ReadRichText(std::string_view rtf, QTextDocument& document);
