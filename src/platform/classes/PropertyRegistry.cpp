#include "platform/classes/PropertyRegistry.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <map>
#include <mutex>
#include <unordered_map>

namespace {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const { return CompareText(a, b) < 0; }
};

// Registration happens at start-up; lookups may come from anywhere, so both take the lock.
// Entries are never removed, so pointers handed out stay valid.
struct Registry {
    std::mutex mutex;
    std::unordered_map<std::type_index, std::unique_ptr<TClassInfo>> byType;
    std::map<std::string, TClassInfo*, CaseInsensitiveLess> byName;
    std::unordered_map<std::type_index, std::unique_ptr<TEnumInfo>> enums;
    std::map<std::string, int64_t, CaseInsensitiveLess> constants;
};

Registry& TheRegistry()
{
    static Registry* registry = [] {
        auto* r = new Registry;  // never freed: lookups may run during static destruction
        r->enums[typeid(bool)] = std::make_unique<TEnumInfo>(TEnumInfo{"Boolean", {"False", "True"}});
        return r;
    }();
    return *registry;
}

// The library's own classes are registered before anything is looked up, so that every class
// chains to them. Registration runs on the start-up thread; the flag only stops the recursion.
void EnsureBaseClasses()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    TClassRegistration<TPersistent>("TPersistent");
    TClassRegistration<TComponent, TPersistent>("TComponent")
        .String("Name", &TComponent::Name, &TComponent::SetName)
        .Integer("Tag", &TComponent::Tag, &TComponent::SetTag);
    TClassRegistration<TCollectionItem, TPersistent>("TCollectionItem");
    TClassRegistration<TCollection, TPersistent>("TCollection");
}

Registry& Classes()
{
    Registry& r = TheRegistry();
    EnsureBaseClasses();
    return r;
}

}  // namespace

int TEnumInfo::IndexOf(std::string_view name) const
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (SameText(names[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string TEnumInfo::NameOf(int64_t ordinal) const
{
    if (ordinal < 0 || ordinal >= static_cast<int64_t>(names.size())) {
        return std::to_string(ordinal);
    }
    return names[static_cast<size_t>(ordinal)];
}

const TEnumInfo& TPropertyInfo::Enum() const
{
    const TEnumInfo* info = enumType ? FindEnumInfo(*enumType) : nullptr;
    if (info == nullptr) {
        throw EPropertyError("Enumeration type of property " + name + " is not registered");
    }
    return *info;
}

class TClassRegistry {
public:
    static TClassInfo& Entry(std::type_index type, const std::string& name)
    {
        Registry& r = Classes();
        std::lock_guard lock(r.mutex);
        auto& slot = r.byType[type];
        if (!slot) {
            slot = std::make_unique<TClassInfo>();
        } else {
            // Registering again rebuilds the entry.
            r.byName.erase(slot->name_);
            slot->properties_.clear();
            slot->handlers_.clear();
            slot->componentFactory_ = nullptr;
            slot->itemFactory_ = nullptr;
        }
        slot->name_ = name;
        slot->type_ = type;
        r.byName[name] = slot.get();
        return *slot;
    }

    static void AddProperty(TClassInfo& info, std::unique_ptr<TPropertyInfo> property)
    {
        std::lock_guard lock(TheRegistry().mutex);
        info.properties_.push_back(std::move(property));
    }
};

TClassInfo& zv_detail::ClassEntry(std::type_index type, const std::string& name)
{
    return TClassRegistry::Entry(type, name);
}

void zv_detail::AddProperty(TClassInfo& info, std::unique_ptr<TPropertyInfo> property)
{
    TClassRegistry::AddProperty(info, std::move(property));
}

const TClassInfo* FindClassInfo(std::type_index type)
{
    Registry& r = Classes();
    std::lock_guard lock(r.mutex);
    auto it = r.byType.find(type);
    return it == r.byType.end() ? nullptr : it->second.get();
}

const TClassInfo* FindClassInfo(std::string_view className)
{
    Registry& r = Classes();
    std::lock_guard lock(r.mutex);
    auto it = r.byName.find(std::string(className));
    return it == r.byName.end() ? nullptr : it->second;
}

const TClassInfo* GetClassInfo(const TObject& object)
{
    if (const TClassInfo* info = FindClassInfo(std::type_index(typeid(object)))) {
        return info;
    }
    return FindClassInfo(std::string_view(object.ClassName()));
}

const TClassInfo* TClassInfo::Parent() const
{
    return parentType_ ? FindClassInfo(*parentType_) : nullptr;
}

bool TClassInfo::InheritsFrom(std::string_view className) const
{
    for (const TClassInfo* c = this; c != nullptr; c = c->Parent()) {
        if (SameText(c->name_, className)) {
            return true;
        }
    }
    return false;
}

const TPropertyInfo* TClassInfo::FindProperty(std::string_view name) const
{
    // The most derived declaration wins, so a class may redeclare a parent's property.
    for (const TClassInfo* c = this; c != nullptr; c = c->Parent()) {
        for (const auto& p : c->properties_) {
            if (SameText(p->name, name)) {
                return p.get();
            }
        }
    }
    return nullptr;
}

std::vector<const TPropertyInfo*> TClassInfo::Properties() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c != nullptr && chain.size() < 64; c = c->Parent()) {
        chain.push_back(c);
    }
    std::vector<const TPropertyInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const auto& p : (*it)->properties_) {
            // A redeclared property keeps its first place but takes the newest declaration.
            bool replaced = false;
            for (auto& existing : result) {
                if (SameText(existing->name, p->name)) {
                    existing = p.get();
                    replaced = true;
                }
            }
            if (!replaced) {
                result.push_back(p.get());
            }
        }
    }
    return result;
}

const THandlerInfo* TClassInfo::FindHandler(std::string_view name) const
{
    for (const TClassInfo* c = this; c != nullptr; c = c->Parent()) {
        for (const auto& h : c->handlers_) {
            if (SameText(h.name, name)) {
                return &h;
            }
        }
    }
    return nullptr;
}

TComponent* TClassInfo::CreateComponent(TComponent* owner) const
{
    if (!componentFactory_) {
        throw EClassNotFound("Class " + name_ + " not found");
    }
    return componentFactory_(owner);
}

TCollectionItemClass TClassInfo::ItemClass() const
{
    if (!itemFactory_) {
        throw EClassNotFound("Class " + name_ + " not found");
    }
    return {name_, itemFactory_};
}

TComponent* CreateComponentByName(std::string_view className, TComponent* owner)
{
    const TClassInfo* info = FindClassInfo(className);
    if (info == nullptr || !info->CanCreateComponent()) {
        throw EClassNotFound("Class " + std::string(className) + " not found");
    }
    return info->CreateComponent(owner);
}

TCollectionItemClass FindCollectionItemClass(std::string_view className)
{
    const TClassInfo* info = FindClassInfo(className);
    if (info == nullptr || !info->IsCollectionItem()) {
        throw EClassNotFound("Class " + std::string(className) + " not found");
    }
    return info->ItemClass();
}

const TPropertyInfo* FindPublishedProperty(const TObject& object, std::string_view name)
{
    const TClassInfo* info = GetClassInfo(object);
    return info == nullptr ? nullptr : info->FindProperty(name);
}

void RegisterEnumInfo(std::type_index type, std::string typeName, std::vector<std::string> names)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.enums[type];
    if (!slot) {
        slot = std::make_unique<TEnumInfo>();
    }
    slot->typeName = std::move(typeName);
    slot->names = std::move(names);
}

const TEnumInfo* FindEnumInfo(std::type_index type)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.enums.find(type);
    return it == r.enums.end() ? nullptr : it->second.get();
}

void RegisterIntegerConstant(const std::string& name, int64_t value)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.constants[name] = value;
}

std::optional<int64_t> FindIntegerConstant(std::string_view name)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.constants.find(std::string(name));
    if (it == r.constants.end()) {
        return std::nullopt;
    }
    return it->second;
}
