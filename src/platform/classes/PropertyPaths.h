#pragma once
// Published properties reached by a path of names from a root object, as language files use them:
// "Caption", "btn_ok.Hint", "grp5.Font.Name", "grp1.lb_product.Caption", "listname.Items.Strings",
// "maingrid.Columns.Items(0).Title.Caption".
//
// Each step tries, in this order: a published property of the current object (letter case
// ignored); a component the current object owns; a direct child control (FindChildControl).
// An object property continues with the rest of the path from that object; a string list is the
// target only when the rest is exactly "Strings"; a collection takes "Word(n)" (n from 0, the word
// is not compared) and continues from item n, or, when that does not fit, continues from the
// collection's own properties. A scalar property is the target whatever follows it.

#include "platform/classes/PropertyRegistry.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct TPropertyTarget {
    TObject* instance = nullptr;
    const TPropertyInfo* property = nullptr;
    explicit operator bool() const noexcept { return instance != nullptr && property != nullptr; }
};

// Decides whether a path may step through (or end at) a published property of an object; a path
// that meets a refused property leads nowhere.
using TPropertyStepFilter = std::function<bool(const TObject& instance, const TPropertyInfo& property)>;

// The property a path leads to; empty when it leads nowhere. With a filter, every published
// property the path meets must pass it.
TPropertyTarget ResolvePropertyPath(TObject& root, std::string_view path, const TPropertyStepFilter& filter = {});

// Sets a property from text: integer (decimal, $hex; 0 when not a number), enumeration by value
// name (EPropertyError "Invalid property value" for an unknown name), float (0 when not a
// number), string (unchanged), string list (the text's lines replace the list). Answers false and
// changes nothing for the kinds text does not set (sets, events, objects, references, extra data).
bool SetPropertyText(const TPropertyTarget& target, const std::string& text);
// The value as text: numbers in decimal, enumerations and sets by names ("[a,b]"), a string list
// as its lines with CR LF, a reference by the component's name.
std::string GetPropertyText(const TPropertyTarget& target);

// Resolves the path and sets the value; false when the path leads nowhere or the kind is not set
// from text.
bool SetPropertyPathText(TObject& root, std::string_view path, const std::string& text);
std::optional<std::string> GetPropertyPathText(TObject& root, std::string_view path);
