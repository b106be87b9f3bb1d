#pragma once
// The form reader: creates the components of a form description (see FormParser.h for the text),
// sets their published properties and binds their events to the form's handlers by name.
//
// Every component named in the description is owned by the root (the form); the nesting of the
// blocks gives each component its parent through TComponent::SetParentComponent. While reading,
// the root and every component read are in the loading state; at the end, references to other
// components are resolved by name and Loaded() runs on each, root first, in creation order.
// Handlers come from the handler table given, then from the handlers the root's class publishes
// (TClassRegistration::Handler). An unknown class (EClassNotFound), property, value, component or
// handler (EParserError) fails the load with a message "<source>(<line>): ..." naming it; the
// components the failed load created are freed again.

#include "platform/classes/PropertyRegistry.h"

#include <any>
#include <map>
#include <string>
#include <string_view>

// Handlers by name (letter case ignored); each a std::function of its event's type in a std::any.
class THandlerTable {
public:
    void Add(const std::string& name, std::any handler);
    const std::any* Find(std::string_view name) const;

private:
    struct Less {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    std::map<std::string, std::any, Less> handlers_;
};

// A reference written "window.component" whose first name is no component of the form being read
// names another window: the finder installed here (the window layer installs one that searches
// the windows that exist) gives that window. While that window does not exist (or no finder is
// installed) the reference stays empty, as a reference into a window created later does.
using TGlobalComponentFinder = TComponent* (*)(const std::string& name);
void SetGlobalComponentFinder(TGlobalComponentFinder finder);

// Reads a description into a root that already exists (a form class constructs itself, then reads
// its own description). The description's outer block must name the root's class.
void ReadComponentText(TComponent& root, std::string_view text, std::string_view sourceName,
                       const THandlerTable* handlers = nullptr);

// Creates the root from the class the outer block names (owned by `owner`) and reads it.
TComponent* CreateComponentFromText(std::string_view text, std::string_view sourceName, TComponent* owner,
                                    const THandlerTable* handlers = nullptr);

// Reads the description compiled into the program for the root's class (FindFormResource);
// EParserError "Resource <class> not found" when there is none.
void ReadFormResource(TComponent& root, const THandlerTable* handlers = nullptr);
