#include "toolkit/string_list.h"

#include "toolkit/exceptions.h"

#include <algorithm>
#include <cctype>

namespace toolkit {

TStringList& TStringList::operator=(const TStringList& other) {
    if (this != &other) {
        Assign(other.items_);
    }
    return *this;
}

void TStringList::check(int index, int limit) const {
    if (index < 0 || index > limit) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
}

void TStringList::changed(Change change, int index) {
    if (OnChange) {
        OnChange(change, index);
    }
}

const std::string& TStringList::Strings(int index) const {
    check(index, Count() - 1);
    return items_[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(int index, const std::string& value) {
    check(index, Count() - 1);
    items_[static_cast<std::size_t>(index)] = value;
    changed(Change::Changed, index);
}

int TStringList::Add(const std::string& value) {
    items_.push_back(value);
    changed(Change::Added, Count() - 1);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::string& value) {
    check(index, Count());
    items_.insert(items_.begin() + index, value);
    changed(Change::Inserted, index);
}

void TStringList::Delete(int index) {
    check(index, Count() - 1);
    items_.erase(items_.begin() + index);
    changed(Change::Deleted, index);
}

void TStringList::Clear() {
    if (items_.empty()) {
        return;
    }
    items_.clear();
    changed(Change::Cleared, -1);
}

int TStringList::IndexOf(const std::string& value) const {
    auto same = [&value](const std::string& item) {
        return item.size() == value.size() &&
               std::equal(item.begin(), item.end(), value.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    auto it = std::find_if(items_.begin(), items_.end(), same);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TStringList::Assign(const std::vector<std::string>& values) {
    items_ = values;
    changed(Change::Assigned, -1);
}

} // namespace toolkit
