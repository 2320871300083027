// A list of strings, as controls hold their items. Index errors raise EListError; the owner
// learns of every change through OnChange.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList& other) : items_(other.items_) {}
    // Copies the strings only; OnChange stays.
    TStringList& operator=(const TStringList& other);

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int index) const { return Strings(index); }
    const std::string& Strings(int index) const;
    void SetStrings(int index, const std::string& value);

    // Appends a string and returns its index.
    int Add(const std::string& value);
    void Insert(int index, const std::string& value);
    void Delete(int index);
    void Clear();
    // The index of the first string equal to value (ASCII case ignored, as the classic list
    // compares), or -1.
    int IndexOf(const std::string& value) const;
    void Assign(const std::vector<std::string>& values);
    const std::vector<std::string>& Items() const { return items_; }

    // Called after every change: what changed and where (index -1 for the whole list).
    enum class Change { Added, Inserted, Deleted, Changed, Cleared, Assigned };
    std::function<void(Change, int)> OnChange;

private:
    void check(int index, int limit) const;
    void changed(Change change, int index);
    std::vector<std::string> items_;
};

} // namespace toolkit
