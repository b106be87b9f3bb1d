#include "platform/rtl/Classes.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>

void TStrings::CheckIndex(int index, bool allowEnd) const
{
    int limit = allowEnd ? Count() : Count() - 1;
    if (index < 0 || index > limit) {
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}

bool TStrings::SameText(const std::string& a, const std::string& b) const
{
    return CompareStrings(a, b) == 0;
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const
{
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStrings::Changed()
{
    if (updateCount_ == 0 && OnChange) {
        OnChange(this);
    }
}

void TStrings::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) {
        Changed();
    }
}

const std::string& TStrings::Strings(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStrings::SetStrings(int index, const std::string& value)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)].text = value;
    Changed();
}

TObject* TStrings::Objects(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStrings::SetObjects(int index, TObject* object)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)].object = object;
}

int TStrings::Add(const std::string& value)
{
    int index = Count();
    Insert(index, value);
    return index;
}

int TStrings::AddObject(const std::string& value, TObject* object)
{
    int index = Add(value);
    items_[static_cast<size_t>(index)].object = object;
    return index;
}

void TStrings::Insert(int index, const std::string& value)
{
    CheckIndex(index, true);
    items_.insert(items_.begin() + index, Item{value, nullptr});
    Changed();
}

void TStrings::Delete(int index)
{
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void TStrings::Clear()
{
    if (!items_.empty()) {
        items_.clear();
        Changed();
    }
}

void TStrings::Exchange(int first, int second)
{
    CheckIndex(first);
    CheckIndex(second);
    std::swap(items_[static_cast<size_t>(first)], items_[static_cast<size_t>(second)]);
    Changed();
}

void TStrings::Move(int from, int to)
{
    CheckIndex(from);
    CheckIndex(to);
    if (from == to) {
        return;
    }
    Item item = items_[static_cast<size_t>(from)];
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, item);
    Changed();
}

void TStrings::Assign(const TStrings& source)
{
    if (&source == this) {
        return;
    }
    BeginUpdate();
    items_.clear();
    AddStrings(source);
    EndUpdate();  // one change notification for the whole assignment
}

void TStrings::AddStrings(const TStrings& source)
{
    BeginUpdate();
    for (const Item& item : std::vector<Item>(source.items_)) {
        AddObject(item.text, item.object);
    }
    EndUpdate();
}

int TStrings::IndexOf(const std::string& value) const
{
    for (int i = 0; i < Count(); ++i) {
        if (SameText(items_[static_cast<size_t>(i)].text, value)) {
            return i;
        }
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    for (int i = 0; i < Count(); ++i) {
        if (items_[static_cast<size_t>(i)].object == object) {
            return i;
        }
    }
    return -1;
}

std::string TStrings::Text() const
{
    std::string text;
    for (const Item& item : items_) {
        text += item.text;
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(const std::string& text)
{
    BeginUpdate();
    items_.clear();
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            Add(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
        ++i;
    }
    if (start < text.size()) {
        Add(text.substr(start));
    }
    EndUpdate();
}

std::string TStrings::Names(int index) const
{
    const std::string& s = Strings(index);
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const
{
    const std::string& s = Strings(index);
    size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStrings::IndexOfName(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = items_[static_cast<size_t>(i)].text;
        size_t eq = s.find('=');
        if (eq != std::string::npos && SameText(s.substr(0, eq), name)) {
            return i;
        }
    }
    return -1;
}

std::string TStrings::Values(const std::string& name) const
{
    int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(const std::string& name, const std::string& value)
{
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) {
            Delete(index);
        }
    } else if (index < 0) {
        Add(name + "=" + value);
    } else {
        SetStrings(index, name + "=" + value);
    }
}

std::string TStrings::CommaText() const
{
    std::string out;
    for (size_t i = 0; i < items_.size(); ++i) {
        const std::string& s = items_[i].text;
        // Quoted when empty or when it holds a separator, a quote or any character up to the blank.
        bool quote = s.empty() || std::any_of(s.begin(), s.end(), [](char c) {
                         return c == ',' || c == '"' || static_cast<unsigned char>(c) <= ' ';
                     });
        if (i > 0) {
            out += ',';
        }
        if (quote) {
            out += '"';
            for (char c : s) {
                if (c == '"') {
                    out += '"';
                }
                out += c;
            }
            out += '"';
        } else {
            out += s;
        }
    }
    return out;
}

void TStrings::SetCommaText(const std::string& text)
{
    BeginUpdate();
    items_.clear();
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') {
            ++i;
        }
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && static_cast<unsigned char>(text[i]) > ' ') {
                item += text[i++];
            }
        }
        Add(item);
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
    EndUpdate();
}

void TStringList::SetSorted(bool value)
{
    if (value && !sorted_) {
        Sort();
    }
    sorted_ = value;
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
    Changed();
}

bool TStringList::Find(const std::string& value, int& index) const
{
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        int mid = (low + high) / 2;
        int cmp = CompareStrings(items_[static_cast<size_t>(mid)].text, value);
        if (cmp < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (cmp == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) {
                    low = mid;
                }
            }
        }
    }
    index = low;
    return found;
}

int TStringList::Add(const std::string& value)
{
    if (!sorted_) {
        return TStrings::Add(value);
    }
    int index = 0;
    if (Find(value, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) {
            return index;
        }
        if (duplicates_ == TDuplicates::dupError) {
            throw EStringListError("String list does not allow duplicates");
        }
    }
    TStrings::Insert(index, value);
    return index;
}

void TStringList::Insert(int index, const std::string& value)
{
    if (sorted_) {
        throw EStringListError("Operation not allowed on sorted list");
    }
    TStrings::Insert(index, value);
}

int TStringList::IndexOf(const std::string& value) const
{
    if (!sorted_) {
        return TStrings::IndexOf(value);
    }
    int index = 0;
    return Find(value, index) ? index : -1;
}
