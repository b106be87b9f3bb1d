#pragma once
// Shared by the form reader and the collection stream reader: sets published properties from a
// parsed description. Not for use outside the classes library.

#include "platform/classes/FormParser.h"
#include "platform/classes/FormReader.h"

#include <string>
#include <vector>

class TFormApplier {
public:
    // `root` is the form the references and handlers belong to; null for a stream without one
    // (events and references are then left alone).
    TFormApplier(std::string_view sourceName, TComponent* root, const THandlerTable* handlers);

    // Sets one (possibly dotted) property of `instance`.
    void Apply(TObject& instance, const TFormProperty& property);
    // Replaces the items of a collection; with skipItemsThatDoNotFit an item that fails or that
    // refuses itself (AcceptLoaded) is left out instead of failing the read. Answers the skipped count.
    int ReadItems(TCollection& collection, const TFormValue& value, bool skipItemsThatDoNotFit);
    // Sets the component references read so far.
    void ResolveReferences();

private:
    struct Fixup {
        TObject* instance;
        const TPropertyInfo* property;
        std::string name;
        int line;
    };

    [[noreturn]] void Fail(int line, const std::string& message) const;
    void ApplyPath(TObject& instance, const std::string& path, const TFormValue& value, int line);
    void SetValue(TObject& instance, const TPropertyInfo& property, const TFormValue& value, int line);
    void BindEvent(TObject& instance, const TPropertyInfo& property, const std::string& name, int line);
    TComponent* FindReference(const std::string& dottedName) const;
    // True for "window.component" whose first name is neither the root nor one of its components.
    bool IsReferenceIntoAnotherWindow(const std::string& dottedName) const;

    std::string source_;
    TComponent* root_;
    const THandlerTable* handlers_;
    std::vector<Fixup> fixups_;
};
