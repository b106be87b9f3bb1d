#pragma once
// Variant values: Empty, Null, Boolean, 32- and 64-bit integers, Double, Currency, DateTime,
// ANSI text and arrays, with the conversions, comparison and arithmetic of the class library.
// A failed conversion raises EVariantError ("Could not convert variant of type (%s) into type (%s)")
// or EConvertError where text does not parse as a number or date.

#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Fixed-point money: the value times 10,000.
struct Currency {
    int64_t scaled = 0;
    static Currency FromDouble(double value);
    double ToDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(Currency a, Currency b) { return a.scaled == b.scaled; }
};

enum class TVarType { varEmpty, varNull, varBoolean, varInteger, varInt64, varDouble, varCurrency, varDate, varString, varArray };

enum class TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Scalars live inline; only a String holds text and only an Array holds its elements (shared,
// never changed once made), so copying, moving and destroying the common values is cheap.
class Variant {
public:
    Variant() noexcept {}  // Empty
    Variant(const Variant& other) : type_(other.type_), value_(other.value_)
    {
        if (HoldsStorage())
            CopyStorage(other);
    }
    Variant(Variant&& other) noexcept : type_(other.type_), value_(other.value_)
    {
        if (HoldsStorage())
            MoveStorage(other);
    }
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant()
    {
        if (HoldsStorage())
            ReleaseStorage();
    }
    Variant(bool value);
    Variant(int value);
    Variant(int64_t value);
    // long long where it is a type of its own beside int64_t.
    template <typename T, std::enable_if_t<std::is_same_v<T, long long> && !std::is_same_v<long long, int64_t>, int> = 0>
    Variant(T value) : Variant(static_cast<int64_t>(value))
    {
    }
    Variant(float value) : Variant(static_cast<double>(value)) {}
    Variant(double value);
    Variant(Currency value);
    Variant(const std::string& value);
    Variant(std::string&& value);
    Variant(const char* value);

    static Variant Null();
    static Variant FromDateTime(TDateTime value);
    static Variant Array(std::vector<Variant> elements);

    TVarType VarType() const noexcept { return type_; }
    // Name of the type as error messages give it ("Null", "String", "Double", ...).
    static const char* TypeName(TVarType type) noexcept;
    bool IsEmpty() const noexcept { return type_ == TVarType::varEmpty; }
    bool IsNull() const noexcept { return type_ == TVarType::varNull; }
    bool IsArray() const noexcept { return type_ == TVarType::varArray; }
    bool IsNumeric() const noexcept;  // integers, Double, Currency (not Boolean, not Date)

    // Conversions; text is parsed with the fixed "." decimal point of stored data.
    bool AsBoolean() const;
    int32_t AsInteger() const;
    int64_t AsInt64() const;
    double AsDouble() const;
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    std::string AsString() const;  // Null and Empty give ""
    // The text of a String variant without a copy; raises EVariantError for any other type.
    const std::string& TextValue() const;
    // Makes this a String variant and gives its text to be filled in place: a variant that
    // already held text keeps its storage (and its old text, for the caller to replace).
    std::string& TextForWrite();

    const std::vector<Variant>& Elements() const;  // raises EVariantError unless an array
    int ArrayLowBound() const { return 0; }
    int ArrayHighBound() const { return static_cast<int>(Elements().size()) - 1; }

    // Comparison as the class library compares variants: Null equals only Null and sorts first;
    // text against a number converts the text; text compares byte-wise, case-sensitive.
    static TVariantRelationship Compare(const Variant& a, const Variant& b);
    friend bool operator==(const Variant& a, const Variant& b) { return Compare(a, b) == TVariantRelationship::vrEqual; }
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }

    // Arithmetic: Null in, Null out; text + text concatenates; integer overflow widens to Int64,
    // then to Double; division always gives Double and raises EZeroDivide on zero.
    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    Variant operator-() const;

private:
    using TElements = std::shared_ptr<const std::vector<Variant>>;
    // The one member of `storage_` that is alive: text for String, elements for Array.
    bool HoldsStorage() const noexcept { return type_ == TVarType::varString || type_ == TVarType::varArray; }
    void CopyStorage(const Variant& other)
    {
        if (type_ == TVarType::varString)
            new (&storage_.text) std::string(other.storage_.text);
        else
            new (&storage_.elements) TElements(other.storage_.elements);
    }
    void MoveStorage(Variant& other) noexcept
    {
        if (type_ == TVarType::varString)
            new (&storage_.text) std::string(std::move(other.storage_.text));
        else
            new (&storage_.elements) TElements(std::move(other.storage_.elements));
    }
    void ReleaseStorage() noexcept
    {
        if (type_ == TVarType::varString)
            storage_.text.~basic_string();
        else
            storage_.elements.~TElements();
    }
    // Ends the held text or elements and leaves the value Empty.
    void Reset() noexcept
    {
        if (HoldsStorage())
            ReleaseStorage();
        type_ = TVarType::varEmpty;
    }

    TVarType type_ = TVarType::varEmpty;
    union {
        bool b;
        int32_t i;
        int64_t i64;
        double d;
        int64_t cy;
    } value_{};
    union Storage {
        Storage() noexcept {}
        ~Storage() {}
        std::string text;
        TElements elements;
    } storage_;
};

inline Variant& Variant::operator=(const Variant& other)
{
    if (this == &other)
        return *this;
    if (type_ == TVarType::varString && other.type_ == TVarType::varString) {
        storage_.text = other.storage_.text;  // reuses the held text's room
        return *this;
    }
    Reset();
    value_ = other.value_;
    type_ = other.type_;
    if (HoldsStorage()) {
        try {
            CopyStorage(other);
        } catch (...) {
            type_ = TVarType::varEmpty;
            throw;
        }
    }
    return *this;
}

inline Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this == &other)
        return *this;
    if (type_ == TVarType::varString && other.type_ == TVarType::varString) {
        storage_.text = std::move(other.storage_.text);
        return *this;
    }
    Reset();
    value_ = other.value_;
    type_ = other.type_;
    if (HoldsStorage())
        MoveStorage(other);
    return *this;
}

Variant VarArrayOf(std::vector<Variant> elements);
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
std::string VarToStr(const Variant& v);
// Exact decimal text of a currency value with up to four decimals ("1.2345", "-3").
std::string CurrToStr(Currency value);
