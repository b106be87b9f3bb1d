#pragma once
// Shared types of the dataset framework: states, data events, record-buffer and bookmark
// types, option sets, and the helpers that raise EDatabaseError with the standard messages.

#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;
class TField;

enum class TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
    dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// What a dataset tells its data sources. Field events carry the field, scroll events the distance.
enum class TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

struct TDataEventInfo {
    TField* field = nullptr;
    int distance = 0;
};

// Record buffer request and result, and the position mark each buffer carries.
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK = 0, grBOF = 1, grEOF = 2, grError = 3 };
enum class TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

// A record buffer is raw memory that the dataset class allocates and lays out itself.
using TRecordBuffer = uint8_t*;
// A bookmark holds the BookmarkSize bytes the dataset class writes; empty means none.
using TBookmark = std::vector<uint8_t>;

enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum class TResyncOption { rmExact, rmCenter };
enum class TLocateOption { loCaseInsensitive, loPartialKey };
enum class TFilterOption { foCaseInsensitive, foNoPartialCompare };

// A small set of enumeration values (at most 32), as the option properties need.
template <typename Enum>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<Enum> values) {
        for (Enum value : values) Include(value);
    }
    constexpr bool Contains(Enum value) const noexcept { return (bits_ & Bit(value)) != 0; }
    constexpr void Include(Enum value) noexcept { bits_ |= Bit(value); }
    constexpr void Exclude(Enum value) noexcept { bits_ &= ~Bit(value); }
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr uint32_t Bits() const noexcept { return bits_; }
    friend constexpr bool operator==(TEnumSet a, TEnumSet b) noexcept { return a.bits_ == b.bits_; }

private:
    static constexpr uint32_t Bit(Enum value) noexcept { return uint32_t{1} << static_cast<unsigned>(value); }
    uint32_t bits_ = 0;
};

using TResyncMode = TEnumSet<TResyncOption>;
using TLocateOptions = TEnumSet<TLocateOption>;
using TFilterOptions = TEnumSet<TFilterOption>;

// Raises EDatabaseError with `message`.
[[noreturn]] void DatabaseError(const std::string& message);
// Raises EDatabaseError with `format` whose "%s" and "%d" markers are replaced in order by `args`.
[[noreturn]] void DatabaseErrorFmt(const char* format, std::initializer_list<std::string> args);
std::string FormatDBMessage(const char* format, std::initializer_list<std::string> args);
// Number of a standard message (DBConsts) as a built-in string, or -1 for any other text.
int DBMessageId(std::string_view message);
// A standard message as the installed resource-string loader words it; any other text as it is.
std::string LocalizeDBMessage(const std::string& message);
