#pragma once
// The standard messages of the dataset framework. Messages with "%s" or "%d" take their
// arguments through DatabaseErrorFmt; all are raised as EDatabaseError. Each is a built-in
// string with a number (DBMessageId, from kFirstDBMessageId in the order below), so a language
// can replace it through LoadResString.

namespace DBConsts {

inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SFieldValueError = "Invalid value for field '%s'";
inline constexpr const char* SFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* SNotABoolean = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SNotAnInteger = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SNotAFloat = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SNotADate = "'%s' is not a valid date and time for field '%s'";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldTypeNotSupported = "Field '%s' is of an unsupported type";
inline constexpr const char* SFieldIndexError = "Field index out of range";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";

inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SNotInEditMode = "Not in edit or insert mode";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SBookmarkInvalid = "Invalid bookmark";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SNoFieldDefinitions = "Dataset has no field definitions";

// The filter expression messages, shared with the table engine's expression parser.
inline constexpr const char* SExprTermination = "Filter expression incorrectly terminated";
inline constexpr const char* SExprInvalidChar = "Invalid filter expression character: '%s'";
inline constexpr const char* SExprBadKeyword = "Invalid use of keyword";

// Numbers of the messages above as built-in strings: kFirstDBMessageId for SFieldNotFound and
// counting up in the order of this file.
inline constexpr int kFirstDBMessageId = 65000;

}  // namespace DBConsts
