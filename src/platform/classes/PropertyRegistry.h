#pragma once
// Published properties, events and handlers per class, and the registry of classes by name.
//
// Each class declares its published properties once, in a static function beside the class,
// and calls it at start-up (calling it twice is harmless: the entry is rebuilt):
//
//   void TKitButton::RegisterClass()
//   {
//       TClassRegistration<TKitButton, TKitControl>("TKitButton")
//           .Component()                                   // the form reader may create it by name
//           .String("Caption", &TKitButton::Caption, &TKitButton::SetCaption)
//           .Integer("Width", &TKitButton::Width, &TKitButton::SetWidth, 75)
//           .Boolean("Default", &TKitButton::Default, &TKitButton::SetDefault, false)
//           .Enum("Layout", &TKitButton::Layout, &TKitButton::SetLayout, TButtonLayout::blGlyphLeft)
//           .Float("Ratio", &TKitButton::Ratio, &TKitButton::SetRatio)
//           .Strings("Items", &TKitButton::Items)          // TStrings& or TStrings* getter
//           .Object("Font", &TKitButton::Font)             // owned persistent: Font.Name = 'Arial'
//           .Collection("Columns", &TKitButton::Columns)
//           .Set<TFontStyle>("Styles", &TKitButton::StyleBits, &TKitButton::SetStyleBits, 0)
//           .Reference("PopupMenu", &TKitButton::PopupMenu, &TKitButton::SetPopupMenu)
//           .Event("OnClick", &TKitButton::OnClick);       // a public std::function member
//   }
//
// Getters and setters are member-function pointers or lambdas taking the class (`C&`).
// Enumeration names are declared once per enumeration type, before they are used:
//   RegisterEnum<TButtonLayout>("TButtonLayout", {"blGlyphLeft", "blGlyphRight"});
// Values must be 0, 1, 2, ... in the order of the names. `bool` is registered (False, True).
// Sets are bit masks over an enumeration: bit n stands for the value of ordinal n.
// A form class publishes the handlers its description binds events to:
//   TClassRegistration<Tsettingsfrm, TForm>("Tsettingsfrm").Component()
//       .Handler("btn_okClick", &Tsettingsfrm::btn_okClick);
// An event takes a handler whose std::function type is exactly the event's type.
// A collection item class is registered with .Item() so collections can be made by class name.
// A property equal to its default is not written by the component stream writer.

#include "platform/classes/Collections.h"
#include "platform/classes/Components.h"

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <vector>

enum class TPropertyKind {
    Integer,      // whole number (also colours, sizes, positions)
    Enumeration,  // a value by name; Booleans are the enumeration False/True
    Float,
    String,
    Set,          // [a, b]: bit mask over an enumeration
    Strings,      // a string list (TStrings) owned by the object
    Object,       // an owned persistent object whose properties are set one by one (Font, Title)
    Collection,   // an owned TCollection
    Component,    // a reference to another component, stored by name
    Event,        // bound to a handler of the form by name
    Binary,       // extra data the class reads and writes itself, stored as hex bytes
};

// The value names of an enumeration type.
struct TEnumInfo {
    std::string typeName;
    std::vector<std::string> names;
    // Ordinal of a name (letter case ignored); -1 when unknown.
    int IndexOf(std::string_view name) const;
    std::string NameOf(int64_t ordinal) const;
};

class TPropertyInfo {
public:
    std::string name;
    TPropertyKind kind = TPropertyKind::Integer;
    std::optional<std::type_index> enumType;  // Enumeration and Set
    int64_t defaultInteger = 0;               // Integer, Enumeration (ordinal), Set (bits)
    double defaultFloat = 0;
    std::string defaultString;

    std::function<int64_t(const TObject&)> getInteger;
    std::function<void(TObject&, int64_t)> setInteger;
    std::function<double(const TObject&)> getFloat;
    std::function<void(TObject&, double)> setFloat;
    std::function<std::string(const TObject&)> getString;
    std::function<void(TObject&, const std::string&)> setString;
    // Strings, Object, Collection, Component: the object the property holds (may be null).
    std::function<TObject*(TObject&)> getObject;
    // Component: false when the component is of a class the property does not take.
    std::function<bool(TObject&, TComponent*)> setComponent;
    // Event: false when the handler's type is not the event's type.
    std::function<bool(TObject&, const std::any&)> setEvent;
    // Binary: read the stored bytes; the writer gives nothing when there is nothing to store.
    std::function<void(TObject&, const std::string&)> readBinary;
    std::function<std::optional<std::string>(const TObject&)> writeBinary;

    // Enumeration names of an Enumeration or Set property; raises EPropertyError when the
    // enumeration type was not registered.
    const TEnumInfo& Enum() const;
};

// A handler of a form class: makes the std::function (in a std::any) bound to a form instance.
struct THandlerInfo {
    std::string name;
    std::function<std::any(TObject& root)> bind;
};

class TClassInfo {
public:
    const std::string& Name() const noexcept { return name_; }
    // The registered parent class, or null.
    const TClassInfo* Parent() const;
    bool InheritsFrom(std::string_view className) const;

    // Published property of that name in this class or its parents, letter case ignored.
    const TPropertyInfo* FindProperty(std::string_view name) const;
    // Every published property, the parents' first, in declaration order.
    std::vector<const TPropertyInfo*> Properties() const;
    const THandlerInfo* FindHandler(std::string_view name) const;

    bool CanCreateComponent() const noexcept { return static_cast<bool>(componentFactory_); }
    bool IsCollectionItem() const noexcept { return static_cast<bool>(itemFactory_); }
    TComponent* CreateComponent(TComponent* owner) const;
    TCollectionItemClass ItemClass() const;

private:
    template <class C, class P>
    friend class TClassRegistration;
    friend class TClassRegistry;

    std::string name_;
    std::type_index type_ = typeid(void);
    std::optional<std::type_index> parentType_;
    std::vector<std::unique_ptr<TPropertyInfo>> properties_;
    std::vector<THandlerInfo> handlers_;
    std::function<TComponent*(TComponent*)> componentFactory_;
    std::function<std::unique_ptr<TCollectionItem>(TCollection&)> itemFactory_;
};

// Class of the object's dynamic type (by its C++ type, then by ClassName()); null when unregistered.
const TClassInfo* GetClassInfo(const TObject& object);
// Registered class of that name (letter case ignored), or null.
const TClassInfo* FindClassInfo(std::string_view className);
const TClassInfo* FindClassInfo(std::type_index type);
// Creates a registered component class by name; raises EClassNotFound "Class X not found".
TComponent* CreateComponentByName(std::string_view className, TComponent* owner);
// Item class of a registered collection item class; raises EClassNotFound.
TCollectionItemClass FindCollectionItemClass(std::string_view className);
// Published property of an object, or null.
const TPropertyInfo* FindPublishedProperty(const TObject& object, std::string_view name);

void RegisterEnumInfo(std::type_index type, std::string typeName, std::vector<std::string> names);
const TEnumInfo* FindEnumInfo(std::type_index type);
template <class E>
void RegisterEnum(std::string typeName, std::initializer_list<const char*> names)
{
    RegisterEnumInfo(typeid(E), std::move(typeName), std::vector<std::string>(names.begin(), names.end()));
}

// Named whole numbers a description may write for an integer property (clWindow, clBtnFace, ...).
void RegisterIntegerConstant(const std::string& name, int64_t value);
std::optional<int64_t> FindIntegerConstant(std::string_view name);

namespace zv_detail {
// Registry entry for a C++ type, created empty when first asked for.
TClassInfo& ClassEntry(std::type_index type, const std::string& name);
void AddProperty(TClassInfo& info, std::unique_ptr<TPropertyInfo> property);

template <class T>
TObject* AsObjectPointer(T&& value)
{
    if constexpr (std::is_pointer_v<std::remove_cvref_t<T>>) {
        return value;
    } else {
        return &value;
    }
}

template <class F>
struct MemberFunctionTraits;
template <class R, class X, class... Args>
struct MemberFunctionTraits<R (X::*)(Args...)> {
    using Class = X;
    using Function = std::function<R(Args...)>;
};
template <class R, class X, class... Args>
struct MemberFunctionTraits<R (X::*)(Args...) const> {
    using Class = X;
    using Function = std::function<R(Args...)>;
};
}  // namespace zv_detail

template <class C, class Parent = void>
class TClassRegistration {
public:
    explicit TClassRegistration(std::string name) : info_(zv_detail::ClassEntry(typeid(C), name))
    {
        static_assert(std::is_base_of_v<TObject, C>, "registered classes derive from TObject");
        if constexpr (!std::is_void_v<Parent>) {
            static_assert(std::is_base_of_v<Parent, C>, "the parent must be a base class");
            info_.parentType_ = std::type_index(typeid(Parent));
        } else {
            info_.parentType_.reset();
        }
    }

    // The form reader may create the class by name (constructor taking the owner).
    TClassRegistration& Component()
    {
        info_.componentFactory_ = [](TComponent* owner) -> TComponent* { return new C(owner); };
        return *this;
    }

    // A collection may make items of this class by name (constructor taking the collection).
    TClassRegistration& Item()
    {
        info_.itemFactory_ = [](TCollection& collection) -> std::unique_ptr<TCollectionItem> {
            return std::make_unique<C>(collection);
        };
        return *this;
    }

    template <class G, class S>
    TClassRegistration& Integer(std::string name, G get, S set, int64_t defaultValue = 0)
    {
        auto p = Make(std::move(name), TPropertyKind::Integer);
        p->defaultInteger = defaultValue;
        p->getInteger = [get](const TObject& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
        p->setInteger = [set](TObject& o, int64_t v) { std::invoke(set, Self(o), v); };
        return Add(std::move(p));
    }

    template <class G, class S, class E>
    TClassRegistration& Enum(std::string name, G get, S set, E defaultValue)
    {
        auto p = Make(std::move(name), TPropertyKind::Enumeration);
        p->enumType = std::type_index(typeid(E));
        p->defaultInteger = static_cast<int64_t>(defaultValue);
        p->getInteger = [get](const TObject& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
        p->setInteger = [set](TObject& o, int64_t v) { std::invoke(set, Self(o), static_cast<E>(v)); };
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassRegistration& Boolean(std::string name, G get, S set, bool defaultValue = false)
    {
        return Enum(std::move(name), get, set, defaultValue);
    }

    template <class G, class S>
    TClassRegistration& Float(std::string name, G get, S set, double defaultValue = 0)
    {
        auto p = Make(std::move(name), TPropertyKind::Float);
        p->defaultFloat = defaultValue;
        p->getFloat = [get](const TObject& o) { return static_cast<double>(std::invoke(get, Self(o))); };
        p->setFloat = [set](TObject& o, double v) { std::invoke(set, Self(o), v); };
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassRegistration& String(std::string name, G get, S set, std::string defaultValue = {})
    {
        auto p = Make(std::move(name), TPropertyKind::String);
        p->defaultString = std::move(defaultValue);
        p->getString = [get](const TObject& o) { return std::string(std::invoke(get, Self(o))); };
        p->setString = [set](TObject& o, const std::string& v) { std::invoke(set, Self(o), v); };
        return Add(std::move(p));
    }

    // Bits: bit n set when the value of ordinal n of enumeration E is in the set.
    template <class E, class G, class S>
    TClassRegistration& Set(std::string name, G get, S set, uint64_t defaultBits = 0)
    {
        auto p = Make(std::move(name), TPropertyKind::Set);
        p->enumType = std::type_index(typeid(E));
        p->defaultInteger = static_cast<int64_t>(defaultBits);
        p->getInteger = [get](const TObject& o) { return static_cast<int64_t>(std::invoke(get, Self(o))); };
        p->setInteger = [set](TObject& o, int64_t v) { std::invoke(set, Self(o), static_cast<uint64_t>(v)); };
        return Add(std::move(p));
    }

    template <class G>
    TClassRegistration& Strings(std::string name, G get)
    {
        return Held(std::move(name), TPropertyKind::Strings, get);
    }

    template <class G>
    TClassRegistration& Object(std::string name, G get)
    {
        return Held(std::move(name), TPropertyKind::Object, get);
    }

    template <class G>
    TClassRegistration& Collection(std::string name, G get)
    {
        return Held(std::move(name), TPropertyKind::Collection, get);
    }

    // A reference to another component; the setter takes a pointer to the getter's class.
    template <class G, class S>
    TClassRegistration& Reference(std::string name, G get, S set)
    {
        using Pointer = std::remove_cvref_t<std::invoke_result_t<G, C&>>;
        using Target = std::remove_pointer_t<Pointer>;
        auto p = Make(std::move(name), TPropertyKind::Component);
        p->getObject = [get](TObject& o) -> TObject* { return std::invoke(get, Self(o)); };
        p->setComponent = [set](TObject& o, TComponent* component) {
            auto* target = dynamic_cast<Target*>(component);
            if (component != nullptr && target == nullptr) {
                return false;
            }
            std::invoke(set, Self(o), target);
            return true;
        };
        return Add(std::move(p));
    }

    // An event held in a public std::function member.
    template <class F>
    TClassRegistration& Event(std::string name, F C::*member)
    {
        auto p = Make(std::move(name), TPropertyKind::Event);
        p->setEvent = [member](TObject& o, const std::any& handler) {
            const F* function = std::any_cast<F>(&handler);
            if (function == nullptr) {
                return false;
            }
            Self(o).*member = *function;
            return true;
        };
        return Add(std::move(p));
    }

    // An event set through a setter taking the event's std::function type F.
    template <class F, class S>
    TClassRegistration& EventSetter(std::string name, S set)
    {
        auto p = Make(std::move(name), TPropertyKind::Event);
        p->setEvent = [set](TObject& o, const std::any& handler) {
            const F* function = std::any_cast<F>(&handler);
            if (function == nullptr) {
                return false;
            }
            std::invoke(set, Self(o), *function);
            return true;
        };
        return Add(std::move(p));
    }

    // Extra data the class stores itself (read from and written to hex bytes).
    template <class R, class W>
    TClassRegistration& Defined(std::string name, R read, W write)
    {
        auto p = Make(std::move(name), TPropertyKind::Binary);
        p->readBinary = [read](TObject& o, const std::string& bytes) { std::invoke(read, Self(o), bytes); };
        p->writeBinary = [write](const TObject& o) -> std::optional<std::string> {
            return std::invoke(write, Self(o));
        };
        return Add(std::move(p));
    }

    // A handler method of a form class, bound by name to the events of its components.
    template <class M>
    TClassRegistration& Handler(std::string name, M method)
    {
        using Traits = zv_detail::MemberFunctionTraits<M>;
        using Function = typename Traits::Function;
        info_.handlers_.push_back({std::move(name), [method](TObject& root) -> std::any {
                                       C* self = &Self(root);
                                       return Function([self, method](auto&&... args) {
                                           return (self->*method)(std::forward<decltype(args)>(args)...);
                                       });
                                   }});
        return *this;
    }

    const TClassInfo& Info() const noexcept { return info_; }

private:
    static C& Self(const TObject& object) { return const_cast<C&>(static_cast<const C&>(object)); }

    std::unique_ptr<TPropertyInfo> Make(std::string name, TPropertyKind kind)
    {
        auto p = std::make_unique<TPropertyInfo>();
        p->name = std::move(name);
        p->kind = kind;
        return p;
    }

    template <class G>
    TClassRegistration& Held(std::string name, TPropertyKind kind, G get)
    {
        auto p = Make(std::move(name), kind);
        p->getObject = [get](TObject& o) -> TObject* {
            return zv_detail::AsObjectPointer(std::invoke(get, Self(o)));
        };
        return Add(std::move(p));
    }

    TClassRegistration& Add(std::unique_ptr<TPropertyInfo> property)
    {
        zv_detail::AddProperty(info_, std::move(property));
        return *this;
    }

    TClassInfo& info_;
};
