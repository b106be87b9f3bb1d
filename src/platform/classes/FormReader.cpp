#include "platform/classes/FormReader.h"

#include "platform/classes/FormParser.h"
#include "platform/classes/FormResources.h"
#include "platform/classes/FormStreaming.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <memory>

namespace {
TGlobalComponentFinder globalFinder = nullptr;
}  // namespace

void SetGlobalComponentFinder(TGlobalComponentFinder finder)
{
    globalFinder = finder;
}

bool THandlerTable::Less::operator()(const std::string& a, const std::string& b) const
{
    return CompareText(a, b) < 0;
}

void THandlerTable::Add(const std::string& name, std::any handler)
{
    handlers_[name] = std::move(handler);
}

const std::any* THandlerTable::Find(std::string_view name) const
{
    auto it = handlers_.find(std::string(name));
    return it == handlers_.end() ? nullptr : &it->second;
}

TFormApplier::TFormApplier(std::string_view sourceName, TComponent* root, const THandlerTable* handlers)
    : source_(sourceName), root_(root), handlers_(handlers)
{
}

void TFormApplier::Fail(int line, const std::string& message) const
{
    ThrowFormError(source_, line, message);
}

void TFormApplier::Apply(TObject& instance, const TFormProperty& property)
{
    try {
        ApplyPath(instance, property.path, property.value, property.line);
    } catch (Exception& e) {
        // Errors raised by setters get the place in the text in front of their own message.
        std::string prefix = source_ + "(";
        if (e.Message().rfind(prefix, 0) != 0) {
            e.SetMessage(source_ + "(" + std::to_string(property.line) + "): " + e.Message());
        }
        throw;
    }
}

void TFormApplier::ApplyPath(TObject& instance, const std::string& path, const TFormValue& value, int line)
{
    TObject* current = &instance;
    std::string_view rest = path;
    for (;;) {
        size_t dot = rest.find('.');
        std::string_view head = rest.substr(0, dot);
        const TPropertyInfo* property = FindPublishedProperty(*current, head);
        if (property == nullptr) {
            Fail(line, "Property " + std::string(head) + " does not exist in " + current->ClassName());
        }
        if (dot == std::string_view::npos) {
            SetValue(*current, *property, value, line);
            return;
        }
        rest = rest.substr(dot + 1);
        if (property->kind == TPropertyKind::Strings && rest == "Strings") {
            SetValue(*current, *property, value, line);
            return;
        }
        if (property->kind != TPropertyKind::Object) {
            Fail(line, "Property " + std::string(head) + " of " + current->ClassName() + " has no properties");
        }
        TObject* next = property->getObject(*current);
        if (next == nullptr) {
            Fail(line, "Property " + std::string(head) + " of " + current->ClassName() + " is not assigned");
        }
        current = next;
    }
}

void TFormApplier::SetValue(TObject& instance, const TPropertyInfo& property, const TFormValue& value, int line)
{
    using Kind = TFormValue::Kind;
    auto invalid = [&]() { Fail(line, "Invalid value for property " + property.name); };
    switch (property.kind) {
    case TPropertyKind::Integer:
        if (value.kind == Kind::Integer) {
            property.setInteger(instance, value.integer);
        } else if (value.kind == Kind::Identifier) {
            std::optional<int64_t> constant = FindIntegerConstant(value.text);
            if (!constant) {
                Fail(line, "Invalid property value " + value.text + " for " + property.name);
            }
            property.setInteger(instance, *constant);
        } else {
            invalid();
        }
        return;
    case TPropertyKind::Enumeration: {
        if (value.kind != Kind::Identifier) {
            invalid();
        }
        int ordinal = property.Enum().IndexOf(value.text);
        if (ordinal < 0) {
            Fail(line, "Invalid property value " + value.text + " for " + property.name);
        }
        property.setInteger(instance, ordinal);
        return;
    }
    case TPropertyKind::Float:
        if (value.kind == Kind::Float) {
            property.setFloat(instance, value.real);
        } else if (value.kind == Kind::Integer) {
            property.setFloat(instance, static_cast<double>(value.integer));
        } else {
            invalid();
        }
        return;
    case TPropertyKind::String:
        if (value.kind != Kind::String) {
            invalid();
        }
        property.setString(instance, value.text);
        return;
    case TPropertyKind::Set: {
        if (value.kind != Kind::Set) {
            invalid();
        }
        const TEnumInfo& names = property.Enum();
        uint64_t bits = 0;
        for (const std::string& name : value.names) {
            int ordinal = names.IndexOf(name);
            if (ordinal < 0 || ordinal >= 64) {
                Fail(line, "Invalid property value " + name + " for " + property.name);
            }
            bits |= uint64_t{1} << ordinal;
        }
        property.setInteger(instance, static_cast<int64_t>(bits));
        return;
    }
    case TPropertyKind::Strings: {
        auto* strings = dynamic_cast<TStrings*>(property.getObject(instance));
        if (value.kind != Kind::List || strings == nullptr) {
            invalid();
        }
        for (const TFormValue& line : value.list) {
            if (line.kind != Kind::String) {
                Fail(line.line, "String expected in " + property.name);
            }
        }
        strings->BeginUpdate();
        try {
            strings->Clear();
            for (const TFormValue& entry : value.list) {
                strings->Add(entry.text);
            }
        } catch (...) {
            strings->EndUpdate();
            throw;
        }
        strings->EndUpdate();
        return;
    }
    case TPropertyKind::Collection: {
        auto* collection = dynamic_cast<TCollection*>(property.getObject(instance));
        if (value.kind != Kind::Collection || collection == nullptr) {
            invalid();
        }
        ReadItems(*collection, value, false);
        return;
    }
    case TPropertyKind::Component:
        if (value.kind != Kind::Identifier) {
            invalid();
        }
        if (root_ == nullptr) {
            return;  // a stream without a form: references have nothing to point at
        }
        fixups_.push_back({&instance, &property, value.text, line});
        return;
    case TPropertyKind::Event:
        if (value.kind != Kind::Identifier) {
            invalid();
        }
        BindEvent(instance, property, value.text, line);
        return;
    case TPropertyKind::Binary:
        if (value.kind != Kind::Binary) {
            invalid();
        }
        property.readBinary(instance, value.text);
        return;
    case TPropertyKind::Object:
        invalid();
    }
}

void TFormApplier::BindEvent(TObject& instance, const TPropertyInfo& property, const std::string& name, int line)
{
    if (root_ == nullptr) {
        return;
    }
    const std::any* handler = handlers_ != nullptr ? handlers_->Find(name) : nullptr;
    std::any bound;
    if (handler == nullptr) {
        const TClassInfo* rootClass = GetClassInfo(*root_);
        const THandlerInfo* info = rootClass != nullptr ? rootClass->FindHandler(name) : nullptr;
        if (info == nullptr) {
            Fail(line, "Handler " + name + " not found in " + root_->ClassName());
        }
        bound = info->bind(*root_);
        handler = &bound;
    }
    if (!property.setEvent(instance, *handler)) {
        Fail(line, "Handler " + name + " does not fit event " + property.name);
    }
}

int TFormApplier::ReadItems(TCollection& collection, const TFormValue& value, bool skipItemsThatDoNotFit)
{
    int skipped = 0;
    TCollectionUpdate update(collection);
    collection.Clear();
    for (const TFormItem& item : value.items) {
        TCollectionItem* made = collection.Add();
        try {
            for (const TFormProperty& property : item.properties) {
                Apply(*made, property);
            }
        } catch (const Exception&) {
            if (!skipItemsThatDoNotFit) {
                throw;
            }
            collection.Delete(made->Index());
            ++skipped;
            continue;
        }
        if (skipItemsThatDoNotFit && !made->AcceptLoaded()) {
            collection.Delete(made->Index());
            ++skipped;
        }
    }
    return skipped;
}

void TFormApplier::ResolveReferences()
{
    for (const Fixup& fixup : fixups_) {
        TComponent* target = nullptr;
        if (!SameText(fixup.name, "nil")) {
            target = FindReference(fixup.name);
            if (target == nullptr && IsReferenceIntoAnotherWindow(fixup.name)) {
                continue;  // that window is not there (yet): the reference stays empty
            }
            if (target == nullptr) {
                Fail(fixup.line, "Component " + fixup.name + " not found");
            }
        }
        if (!fixup.property->setComponent(*fixup.instance, target)) {
            Fail(fixup.line, "Component " + fixup.name + " does not fit property " + fixup.property->name);
        }
    }
    fixups_.clear();
}

bool TFormApplier::IsReferenceIntoAnotherWindow(const std::string& dottedName) const
{
    size_t dot = dottedName.find('.');
    if (dot == std::string::npos || dot == 0) {
        return false;
    }
    std::string first = dottedName.substr(0, dot);
    return !SameText(root_->Name(), first) && root_->FindComponent(first) == nullptr;
}

TComponent* TFormApplier::FindReference(const std::string& dottedName) const
{
    std::string_view rest = dottedName;
    size_t dot = rest.find('.');
    std::string first(rest.substr(0, dot));
    TComponent* current = SameText(root_->Name(), first) && !first.empty() ? root_ : root_->FindComponent(first);
    if (current == nullptr && dot != std::string_view::npos && globalFinder != nullptr) {
        current = globalFinder(first);
    }
    while (current != nullptr && dot != std::string_view::npos) {
        rest = rest.substr(dot + 1);
        dot = rest.find('.');
        current = current->FindComponent(std::string(rest.substr(0, dot)));
    }
    return current;
}

namespace {

// Reads one description into a root; on failure frees what it created and leaves nothing loading.
class FormLoad {
public:
    FormLoad(TComponent& root, std::string_view sourceName, const THandlerTable* handlers)
        : root_(root), applier_(sourceName, &root, handlers), source_(sourceName)
    {
    }

    void Run(const TFormObject& description)
    {
        try {
            CheckRootClass(description);
            if (root_.Name().empty() && !description.name.empty() &&
                (root_.Owner() == nullptr || root_.Owner()->FindComponent(description.name) == nullptr)) {
                root_.SetName(description.name);
            }
            root_.BeginLoading();
            loading_.push_back(&root_);
            ReadBody(root_, description, 0);
            applier_.ResolveReferences();
        } catch (...) {
            for (TComponent* component : loading_) {
                component->CancelLoading();
            }
            for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
                delete *it;
            }
            throw;
        }
        for (TComponent* component : loading_) {
            component->EndLoading();
        }
    }

private:
    void CheckRootClass(const TFormObject& description)
    {
        const TClassInfo* info = GetClassInfo(root_);
        bool fits = SameText(root_.ClassName(), description.className) ||
                    (info != nullptr && info->InheritsFrom(description.className));
        if (!fits) {
            ThrowFormError(source_, description.line,
                           "Class " + description.className + " does not match " + root_.ClassName());
        }
    }

    void ReadBody(TComponent& component, const TFormObject& description, int depth)
    {
        for (const TFormProperty& property : description.properties) {
            applier_.Apply(component, property);
        }
        for (const TFormObject& child : description.children) {
            ReadChild(component, child, depth + 1);
        }
    }

    void ReadChild(TComponent& parent, const TFormObject& description, int depth)
    {
        const TClassInfo* info = FindClassInfo(description.className);
        if (info == nullptr || !info->CanCreateComponent()) {
            throw EClassNotFound(source_ + "(" + std::to_string(description.line) + "): Class " +
                                 description.className + " not found");
        }
        // A component the form made itself in its constructor is read into, not made again.
        TComponent* component = description.name.empty() ? nullptr : root_.FindComponent(description.name);
        if (component != nullptr) {
            const TClassInfo* existing = GetClassInfo(*component);
            bool readBefore = std::find(loading_.begin(), loading_.end(), component) != loading_.end();
            if (readBefore || existing == nullptr || !existing->InheritsFrom(info->Name())) {
                ThrowFormError(source_, description.line,
                               "A component named " + description.name + " already exists");
            }
        } else {
            component = info->CreateComponent(&root_);
            created_.push_back(component);
            try {
                component->SetName(description.name);
            } catch (Exception& e) {
                e.SetMessage(source_ + "(" + std::to_string(description.line) + "): " + e.Message());
                throw;
            }
        }
        component->BeginLoading();
        loading_.push_back(component);
        component->SetParentComponent(&parent);
        ReadBody(*component, description, depth);
    }

    TComponent& root_;
    TFormApplier applier_;
    std::string source_;
    std::vector<TComponent*> loading_;
    std::vector<TComponent*> created_;
};

}  // namespace

void ReadComponentText(TComponent& root, std::string_view text, std::string_view sourceName,
                       const THandlerTable* handlers)
{
    TFormObject description = ParseFormText(text, sourceName);
    FormLoad(root, sourceName, handlers).Run(description);
}

TComponent* CreateComponentFromText(std::string_view text, std::string_view sourceName, TComponent* owner,
                                    const THandlerTable* handlers)
{
    TFormObject description = ParseFormText(text, sourceName);
    const TClassInfo* info = FindClassInfo(description.className);
    if (info == nullptr || !info->CanCreateComponent()) {
        throw EClassNotFound(std::string(sourceName) + "(" + std::to_string(description.line) + "): Class " +
                             description.className + " not found");
    }
    std::unique_ptr<TComponent> root(info->CreateComponent(nullptr));
    FormLoad(*root, sourceName, handlers).Run(description);
    if (owner != nullptr) {
        owner->InsertComponent(root.get());
    }
    return root.release();
}

void ReadFormResource(TComponent& root, const THandlerTable* handlers)
{
    const TFormResource* resource = FindFormResource(root.ClassName());
    if (resource == nullptr) {
        throw EParserError(std::string("Resource ") + root.ClassName() + " not found");
    }
    ReadComponentText(root, resource->text, resource->fileName, handlers);
}
