#pragma once
// The root object class and string lists of the runtime layer.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TStream;

// Root of every class that has a run-time class name.
class TObject {
public:
    virtual ~TObject() = default;
    virtual const char* ClassName() const noexcept { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// An ordered list of 8-bit ANSI strings, each with an optional associated object (not owned).
// Text files are written with CR LF line ends and read with CR LF, LF or CR.
class TStrings : public TObject {
public:
    const char* ClassName() const noexcept override { return "TStrings"; }

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const std::string& value);
    TObject* Objects(int index) const;
    void SetObjects(int index, TObject* object);

    virtual int Add(const std::string& value);
    int AddObject(const std::string& value, TObject* object);
    virtual void Insert(int index, const std::string& value);
    void Delete(int index);
    void Clear();
    void Exchange(int first, int second);
    void Move(int from, int to);
    void Assign(const TStrings& source);
    void AddStrings(const TStrings& source);
    // Position of `value`, or -1; compared with or without regard to ANSI letter case.
    virtual int IndexOf(const std::string& value) const;
    int IndexOfObject(const TObject* object) const;

    bool CaseSensitive() const noexcept { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }

    // Every line followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR; a final line end adds no empty line.
    void SetText(const std::string& text);
    // "Name=Value" pairs.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(const std::string& name) const;
    std::string Values(const std::string& name) const;
    void SetValues(const std::string& name, const std::string& value);
    // Comma-separated text with double-quoted items where needed.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    TNotifyEvent OnChange;

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

protected:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    std::vector<Item> items_;
    bool caseSensitive_ = false;
    int updateCount_ = 0;

    void Changed();
    void CheckIndex(int index, bool allowEnd = false) const;
    bool SameText(const std::string& a, const std::string& b) const;
    int CompareStrings(const std::string& a, const std::string& b) const;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    const char* ClassName() const noexcept override { return "TStringList"; }

    bool Sorted() const noexcept { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const noexcept { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }

    int Add(const std::string& value) override;
    void Insert(int index, const std::string& value) override;
    int IndexOf(const std::string& value) const override;
    // Binary search of a sorted list: true when found; `index` is the match or the insert position.
    bool Find(const std::string& value, int& index) const;
    void Sort();

private:
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};
