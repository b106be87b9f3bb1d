#include "platform/rtl/Variants.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <limits>

// Wide intermediate results for exact overflow checks.
__extension__ typedef __int128 Int128;

namespace {

[[noreturn]] void CannotConvert(TVarType from, TVarType to)
{
    throw EVariantError(std::string("Could not convert variant of type (") + Variant::TypeName(from) + ") into type (" +
                        Variant::TypeName(to) + ")");
}

[[noreturn]] void Overflow(TVarType from, TVarType to)
{
    throw EVariantError(std::string("Overflow while converting variant of type (") + Variant::TypeName(from) +
                        ") into type (" + Variant::TypeName(to) + ")");
}

[[noreturn]] void InvalidOperation() { throw EVariantError("Invalid variant operation"); }

// Nearest integer, ties to even (as the class library converts reals to integers).
bool RoundToInt64(double value, int64_t& result)
{
    if (!std::isfinite(value)) {
        return false;
    }
    const double rounded = std::nearbyint(value);
    if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) {
        return false;
    }
    result = static_cast<int64_t>(rounded);
    return true;
}

int64_t RoundCurrencyScaled(int64_t scaled)
{
    // Whole units from a currency value, ties to even.
    int64_t whole = scaled / 10000;
    const int64_t rest = scaled % 10000;
    if (rest > 5000 || (rest == 5000 && (whole % 2) != 0)) {
        ++whole;
    } else if (rest < -5000 || (rest == -5000 && (whole % 2) != 0)) {
        --whole;
    }
    return whole;
}

bool IsText(TVarType type) { return type == TVarType::varString; }
bool IsIntegerType(TVarType type)
{
    return type == TVarType::varInteger || type == TVarType::varInt64 || type == TVarType::varBoolean ||
           type == TVarType::varEmpty;
}

int CompareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

TVariantRelationship FromOrder(int order)
{
    return order < 0 ? TVariantRelationship::vrLessThan
                     : (order > 0 ? TVariantRelationship::vrGreaterThan : TVariantRelationship::vrEqual);
}

TDateTime TextToDateTime(const std::string& text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value)) {
        throw EConvertError("'" + text + "' is not a valid date");
    }
    return value;
}

double TextToDouble(const std::string& text)
{
    double value = 0;
    if (!TryStrToFloat(text, value, StorageFormatSettings())) {
        throw EConvertError("'" + text + "' is not a valid floating point value");
    }
    return value;
}

enum class Operation { Add, Subtract, Multiply, Divide };

// Rank of the numeric result type of an arithmetic operation.
enum class NumericKind { Integer, Int64, Currency, Double, Date };

NumericKind KindOf(TVarType type)
{
    switch (type) {
    case TVarType::varInt64: return NumericKind::Int64;
    case TVarType::varCurrency: return NumericKind::Currency;
    case TVarType::varDouble:
    case TVarType::varString: return NumericKind::Double;
    case TVarType::varDate: return NumericKind::Date;
    default: return NumericKind::Integer;
    }
}

Variant IntegerResult(Int128 value)
{
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(value));
    }
    if (value >= std::numeric_limits<int64_t>::min() && value <= std::numeric_limits<int64_t>::max()) {
        return Variant(static_cast<int64_t>(value));
    }
    return Variant(static_cast<double>(value));
}

Variant Arithmetic(const Variant& a, const Variant& b, Operation operation)
{
    if (a.IsNull() || b.IsNull()) {
        return Variant::Null();
    }
    if (a.IsArray() || b.IsArray()) {
        InvalidOperation();
    }
    const TVarType ta = a.VarType();
    const TVarType tb = b.VarType();
    if (operation == Operation::Add && (IsText(ta) || ta == TVarType::varEmpty) && (IsText(tb) || tb == TVarType::varEmpty) &&
        (IsText(ta) || IsText(tb))) {
        return Variant(a.AsString() + b.AsString());
    }
    if (operation == Operation::Divide) {
        const double divisor = tb == TVarType::varDate || ta == TVarType::varDate ? b.AsDouble() : b.AsDouble();
        const double dividend = a.AsDouble();
        if (divisor == 0) {
            throw EZeroDivide("Floating point division by zero");
        }
        return Variant(dividend / divisor);
    }
    NumericKind ka = KindOf(ta);
    NumericKind kb = KindOf(tb);
    // Text meeting a date becomes a date.
    if (IsText(ta) && kb == NumericKind::Date) {
        ka = NumericKind::Date;
    }
    if (IsText(tb) && ka == NumericKind::Date) {
        kb = NumericKind::Date;
    }
    if (ka == NumericKind::Date || kb == NumericKind::Date) {
        // Dates work on the exact millisecond time line.
        // A plain number counts days; both sides go through the same clamped conversion, so
        // the sum or difference below cannot overflow.
        const int64_t ma = DateTimeToMilliseconds(ka == NumericKind::Date ? a.AsDateTime() : a.AsDouble());
        const int64_t mb = DateTimeToMilliseconds(kb == NumericKind::Date ? b.AsDateTime() : b.AsDouble());
        if (operation == Operation::Add) {
            return Variant::FromDateTime(MillisecondsToDateTime(ma + mb));
        }
        if (operation == Operation::Subtract) {
            if (ka == NumericKind::Date && kb == NumericKind::Date) {
                return Variant(static_cast<double>(ma - mb) / static_cast<double>(MSecsPerDay));
            }
            return Variant::FromDateTime(MillisecondsToDateTime(ma - mb));
        }
        return Variant(a.AsDouble() * b.AsDouble());
    }
    if (ka == NumericKind::Double || kb == NumericKind::Double) {
        const double x = a.AsDouble();
        const double y = b.AsDouble();
        switch (operation) {
        case Operation::Add: return Variant(x + y);
        case Operation::Subtract: return Variant(x - y);
        default: return Variant(x * y);
        }
    }
    if (ka == NumericKind::Currency || kb == NumericKind::Currency) {
        const Int128 x = a.AsCurrency().scaled;
        const Int128 y = b.AsCurrency().scaled;
        Int128 result = 0;
        switch (operation) {
        case Operation::Add: result = x + y; break;
        case Operation::Subtract: result = x - y; break;
        default: {
            const Int128 product = x * y;
            // Round half away from zero back to four decimals.
            result = (product + (product >= 0 ? 5000 : -5000)) / 10000;
            break;
        }
        }
        if (result < std::numeric_limits<int64_t>::min() || result > std::numeric_limits<int64_t>::max()) {
            throw EOverflow("Floating point overflow");
        }
        Currency value;
        value.scaled = static_cast<int64_t>(result);
        return Variant(value);
    }
    const Int128 x = a.AsInt64();
    const Int128 y = b.AsInt64();
    switch (operation) {
    case Operation::Add: return IntegerResult(x + y);
    case Operation::Subtract: return IntegerResult(x - y);
    default: return IntegerResult(x * y);
    }
}

} // namespace

Currency Currency::FromDouble(double value)
{
    const double scaled = std::round(value * 10000.0);
    if (!std::isfinite(scaled) || scaled < -9.2233720368547758e18 || scaled >= 9.2233720368547758e18) {
        Overflow(TVarType::varDouble, TVarType::varCurrency);
    }
    Currency result;
    result.scaled = static_cast<int64_t>(scaled);
    return result;
}

Variant::Variant(bool value) : type_(TVarType::varBoolean) { value_.b = value; }
Variant::Variant(int value) : type_(TVarType::varInteger) { value_.i = value; }
Variant::Variant(int64_t value) : type_(TVarType::varInt64) { value_.i64 = value; }
Variant::Variant(double value) : type_(TVarType::varDouble) { value_.d = value; }
Variant::Variant(Currency value) : type_(TVarType::varCurrency) { value_.cy = value.scaled; }
Variant::Variant(const std::string& value)
{
    new (&storage_.text) std::string(value);
    type_ = TVarType::varString;
}

Variant::Variant(std::string&& value)
{
    new (&storage_.text) std::string(std::move(value));
    type_ = TVarType::varString;
}

Variant::Variant(const char* value)
{
    new (&storage_.text) std::string(value ? value : "");
    type_ = TVarType::varString;
}

Variant Variant::Null()
{
    Variant v;
    v.type_ = TVarType::varNull;
    return v;
}

Variant Variant::FromDateTime(TDateTime value)
{
    Variant v;
    v.type_ = TVarType::varDate;
    v.value_.d = value;
    return v;
}

Variant Variant::Array(std::vector<Variant> elements)
{
    Variant v;
    new (&v.storage_.elements) TElements(std::make_shared<const std::vector<Variant>>(std::move(elements)));
    v.type_ = TVarType::varArray;
    return v;
}

const char* Variant::TypeName(TVarType type) noexcept
{
    switch (type) {
    case TVarType::varEmpty: return "Empty";
    case TVarType::varNull: return "Null";
    case TVarType::varBoolean: return "Boolean";
    case TVarType::varInteger: return "Integer";
    case TVarType::varInt64: return "Int64";
    case TVarType::varDouble: return "Double";
    case TVarType::varCurrency: return "Currency";
    case TVarType::varDate: return "Date";
    case TVarType::varString: return "String";
    case TVarType::varArray: return "Array Variant";
    }
    return "Unknown";
}

bool Variant::IsNumeric() const noexcept
{
    return type_ == TVarType::varInteger || type_ == TVarType::varInt64 || type_ == TVarType::varDouble ||
           type_ == TVarType::varCurrency;
}

bool Variant::AsBoolean() const
{
    switch (type_) {
    case TVarType::varEmpty: return false;
    case TVarType::varBoolean: return value_.b;
    case TVarType::varInteger: return value_.i != 0;
    case TVarType::varInt64: return value_.i64 != 0;
    case TVarType::varDouble:
    case TVarType::varDate: return value_.d != 0;
    case TVarType::varCurrency: return value_.cy != 0;
    case TVarType::varString: {
        const std::string text = Trim(storage_.text);
        if (SameText(text, "True")) {
            return true;
        }
        if (SameText(text, "False")) {
            return false;
        }
        double number = 0;
        if (TryStrToFloat(text, number, StorageFormatSettings())) {
            return number != 0;
        }
        CannotConvert(type_, TVarType::varBoolean);
    }
    default: CannotConvert(type_, TVarType::varBoolean);
    }
}

int64_t Variant::AsInt64() const
{
    int64_t result = 0;
    switch (type_) {
    case TVarType::varEmpty: return 0;
    case TVarType::varBoolean: return value_.b ? -1 : 0;
    case TVarType::varInteger: return value_.i;
    case TVarType::varInt64: return value_.i64;
    case TVarType::varCurrency: return RoundCurrencyScaled(value_.cy);
    case TVarType::varDouble:
    case TVarType::varDate:
        if (!RoundToInt64(value_.d, result)) {
            Overflow(type_, TVarType::varInt64);
        }
        return result;
    case TVarType::varString: {
        if (TryStrToInt64(Trim(storage_.text), result)) {
            return result;
        }
        double number = 0;
        if (!TryStrToFloat(storage_.text, number, StorageFormatSettings())) {
            throw EConvertError("'" + storage_.text + "' is not a valid integer value");
        }
        if (!RoundToInt64(number, result)) {
            Overflow(type_, TVarType::varInt64);
        }
        return result;
    }
    default: CannotConvert(type_, TVarType::varInt64);
    }
}

int32_t Variant::AsInteger() const
{
    if (type_ == TVarType::varNull || type_ == TVarType::varArray) {
        CannotConvert(type_, TVarType::varInteger);
    }
    const int64_t value = AsInt64();
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
        Overflow(type_, TVarType::varInteger);
    }
    return static_cast<int32_t>(value);
}

double Variant::AsDouble() const
{
    switch (type_) {
    case TVarType::varEmpty: return 0;
    case TVarType::varBoolean: return value_.b ? -1 : 0;
    case TVarType::varInteger: return value_.i;
    case TVarType::varInt64: return static_cast<double>(value_.i64);
    case TVarType::varDouble:
    case TVarType::varDate: return value_.d;
    case TVarType::varCurrency: return Currency{value_.cy}.ToDouble();
    case TVarType::varString: return TextToDouble(storage_.text);
    default: CannotConvert(type_, TVarType::varDouble);
    }
}

Currency Variant::AsCurrency() const
{
    switch (type_) {
    case TVarType::varCurrency: return Currency{value_.cy};
    case TVarType::varEmpty:
    case TVarType::varBoolean:
    case TVarType::varInteger:
    case TVarType::varInt64: {
        const int64_t value = AsInt64();
        if (value > std::numeric_limits<int64_t>::max() / 10000 || value < std::numeric_limits<int64_t>::min() / 10000) {
            Overflow(type_, TVarType::varCurrency);
        }
        return Currency{value * 10000};
    }
    case TVarType::varDouble:
    case TVarType::varDate:
    case TVarType::varString: {
        const double value = AsDouble();
        const double scaled = std::round(value * 10000.0);
        if (!std::isfinite(scaled) || scaled < -9.2233720368547758e18 || scaled >= 9.2233720368547758e18) {
            Overflow(type_, TVarType::varCurrency);
        }
        return Currency{static_cast<int64_t>(scaled)};
    }
    default: CannotConvert(type_, TVarType::varCurrency);
    }
}

TDateTime Variant::AsDateTime() const
{
    switch (type_) {
    case TVarType::varEmpty: return 0;
    case TVarType::varInteger:
    case TVarType::varInt64:
    case TVarType::varDouble:
    case TVarType::varDate:
    case TVarType::varCurrency: return AsDouble();
    case TVarType::varString: return TextToDateTime(storage_.text);
    default: CannotConvert(type_, TVarType::varDate);
    }
}

std::string Variant::AsString() const
{
    switch (type_) {
    case TVarType::varEmpty:
    case TVarType::varNull: return std::string();
    case TVarType::varBoolean: return value_.b ? "True" : "False";
    case TVarType::varInteger: return std::to_string(value_.i);
    case TVarType::varInt64: return std::to_string(value_.i64);
    case TVarType::varDouble: return FloatToStr(value_.d, StorageFormatSettings());
    case TVarType::varCurrency: return CurrToStr(Currency{value_.cy});
    case TVarType::varDate: return DateTimeToStr(value_.d);
    case TVarType::varString: return storage_.text;
    default: CannotConvert(type_, TVarType::varString);
    }
}

const std::vector<Variant>& Variant::Elements() const
{
    if (type_ != TVarType::varArray) {
        throw EVariantError("Variant is not an array");
    }
    // An array whose elements were moved away reads as empty.
    static const std::vector<Variant> none;
    return storage_.elements ? *storage_.elements : none;
}

const std::string& Variant::TextValue() const
{
    if (type_ != TVarType::varString) {
        CannotConvert(type_, TVarType::varString);
    }
    return storage_.text;
}

std::string& Variant::TextForWrite()
{
    if (type_ != TVarType::varString) {
        Reset();
        new (&storage_.text) std::string();
        type_ = TVarType::varString;
    }
    return storage_.text;
}

TVariantRelationship Variant::Compare(const Variant& a, const Variant& b)
{
    const TVarType ta = a.type_;
    const TVarType tb = b.type_;
    if (ta == TVarType::varArray || tb == TVarType::varArray) {
        InvalidOperation();
    }
    if (ta == TVarType::varNull || tb == TVarType::varNull) {
        if (ta == tb) {
            return TVariantRelationship::vrEqual;
        }
        return ta == TVarType::varNull ? TVariantRelationship::vrLessThan : TVariantRelationship::vrGreaterThan;
    }
    if (ta == TVarType::varEmpty && tb == TVarType::varEmpty) {
        return TVariantRelationship::vrEqual;
    }
    // Text against text (or nothing): byte-wise.
    if ((IsText(ta) || ta == TVarType::varEmpty) && (IsText(tb) || tb == TVarType::varEmpty)) {
        const std::string_view x = IsText(ta) ? std::string_view(a.storage_.text) : std::string_view();
        const std::string_view y = IsText(tb) ? std::string_view(b.storage_.text) : std::string_view();
        return FromOrder(AnsiCompareStr(x, y));
    }
    if (ta == TVarType::varBoolean && tb == TVarType::varBoolean) {
        return FromOrder(static_cast<int>(a.value_.b) - static_cast<int>(b.value_.b));
    }
    if ((ta == TVarType::varBoolean && IsText(tb)) || (IsText(ta) && tb == TVarType::varBoolean)) {
        return FromOrder(static_cast<int>(a.AsBoolean()) - static_cast<int>(b.AsBoolean()));
    }
    if (ta == TVarType::varDate || tb == TVarType::varDate) {
        // Text meeting a date is read as a date; compare on whole milliseconds.
        const int64_t ma = DateTimeToMilliseconds(a.AsDateTime());
        const int64_t mb = DateTimeToMilliseconds(b.AsDateTime());
        return FromOrder(ma < mb ? -1 : (ma > mb ? 1 : 0));
    }
    if (IsIntegerType(ta) && IsIntegerType(tb)) {
        const int64_t x = a.AsInt64();
        const int64_t y = b.AsInt64();
        return FromOrder(x < y ? -1 : (x > y ? 1 : 0));
    }
    if ((ta == TVarType::varCurrency || IsIntegerType(ta)) && (tb == TVarType::varCurrency || IsIntegerType(tb))) {
        const int64_t x = a.AsCurrency().scaled;
        const int64_t y = b.AsCurrency().scaled;
        return FromOrder(x < y ? -1 : (x > y ? 1 : 0));
    }
    return FromOrder(CompareNumbers(a.AsDouble(), b.AsDouble()));
}

Variant operator+(const Variant& a, const Variant& b) { return Arithmetic(a, b, Operation::Add); }
Variant operator-(const Variant& a, const Variant& b) { return Arithmetic(a, b, Operation::Subtract); }
Variant operator*(const Variant& a, const Variant& b) { return Arithmetic(a, b, Operation::Multiply); }
Variant operator/(const Variant& a, const Variant& b) { return Arithmetic(a, b, Operation::Divide); }

Variant Variant::operator-() const
{
    switch (type_) {
    case TVarType::varNull: return Null();
    case TVarType::varEmpty:
    case TVarType::varBoolean:
    case TVarType::varInteger:
    case TVarType::varInt64: return IntegerResult(-static_cast<Int128>(AsInt64()));
    case TVarType::varCurrency:
        if (value_.cy == std::numeric_limits<int64_t>::min()) {
            throw EOverflow("Floating point overflow");
        }
        return Variant(Currency{-value_.cy});
    case TVarType::varDate: return FromDateTime(-value_.d);
    case TVarType::varDouble:
    case TVarType::varString: return Variant(-AsDouble());
    default: InvalidOperation();
    }
}

std::string CurrToStr(Currency value)
{
    const bool negative = value.scaled < 0;
    // Works on the magnitude as unsigned so that the most negative value is safe.
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value.scaled) : static_cast<uint64_t>(value.scaled);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (!fraction.empty()) {
        text += StorageFormatSettings().DecimalSeparator;
        text += fraction;
    }
    return negative ? "-" + text : text;
}

Variant VarArrayOf(std::vector<Variant> elements) { return Variant::Array(std::move(elements)); }

std::string VarToStr(const Variant& v) { return v.IsNull() ? std::string() : v.AsString(); }
