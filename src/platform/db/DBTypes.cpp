#include "platform/db/DBTypes.h"

#include "platform/db/DBConsts.h"
#include "platform/rtl/ResourceStrings.h"

#include <iterator>

namespace {

// The standard messages in the order of their numbers.
constexpr const char* kDBMessages[] = {
    DBConsts::SFieldNotFound,
    DBConsts::SFieldReadOnly,
    DBConsts::SFieldRequired,
    DBConsts::SFieldAccessError,
    DBConsts::SFieldValueError,
    DBConsts::SFieldRangeError,
    DBConsts::SNotABoolean,
    DBConsts::SNotAnInteger,
    DBConsts::SNotAFloat,
    DBConsts::SNotADate,
    DBConsts::SDuplicateFieldName,
    DBConsts::SFieldTypeMismatch,
    DBConsts::SFieldTypeNotSupported,
    DBConsts::SFieldIndexError,
    DBConsts::SListIndexError,
    DBConsts::SDataSetClosed,
    DBConsts::SDataSetOpen,
    DBConsts::SDataSetEmpty,
    DBConsts::SDataSetReadOnly,
    DBConsts::SNotEditing,
    DBConsts::SNotInEditMode,
    DBConsts::SDataSetMissing,
    DBConsts::SRecordNotFound,
    DBConsts::SBookmarkInvalid,
    DBConsts::SCircularDataLink,
    DBConsts::SNoFieldDefinitions,
    DBConsts::SExprTermination,
    DBConsts::SExprInvalidChar,
    DBConsts::SExprBadKeyword,
};

}  // namespace

int DBMessageId(std::string_view message)
{
    for (size_t i = 0; i < std::size(kDBMessages); ++i) {
        if (message == kDBMessages[i]) {
            return DBConsts::kFirstDBMessageId + static_cast<int>(i);
        }
    }
    return -1;
}

std::string LocalizeDBMessage(const std::string& message)
{
    int id = DBMessageId(message);
    return id < 0 ? message : LoadResString(id, message);
}

std::string FormatDBMessage(const char* format, std::initializer_list<std::string> args)
{
    const std::string localized = LocalizeDBMessage(format);
    format = localized.c_str();
    std::string result;
    auto next = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next != args.end()) result += *next++;
            ++p;
        } else {
            result += *p;
        }
    }
    return result;
}

void DatabaseError(const std::string& message)
{
    throw EDatabaseError(LocalizeDBMessage(message));
}

void DatabaseErrorFmt(const char* format, std::initializer_list<std::string> args)
{
    throw EDatabaseError(FormatDBMessage(format, args));
}
