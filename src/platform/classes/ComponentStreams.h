#pragma once
// Component streams of a collection: a grid's columns saved to a layout file and read back.
// The text is the collection value of a form description:
//   <
//     item
//       FieldName = 'ID'
//       Title.Caption = 'Number'
//     end>
// Properties equal to their defaults are left out; events are not written.

#include "platform/classes/Collections.h"

#include <string>
#include <string_view>

std::string WriteCollectionText(const TCollection& collection);
// Replaces the items with those of the text and answers how many items were left out because
// their data no longer fits (an unknown property or value, or the item refused itself in
// AcceptLoaded). A damaged text raises EParserError and leaves the collection as it was.
int ReadCollectionText(TCollection& collection, std::string_view text, std::string_view sourceName);

// The same through a file; the file is written beside itself and renamed over the old one.
// EFCreateError/EFOpenError when the file cannot be written or read.
void SaveCollectionToFile(const TCollection& collection, const std::string& fileName);
int LoadCollectionFromFile(TCollection& collection, const std::string& fileName);
