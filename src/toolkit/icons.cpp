// LoadIconA and DestroyIcon on the program's registered icon resources. An icon is a picture;
// its handle is an id that is never reused.
#include "toolkit/win_ui.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace toolkit {
namespace {

struct IconTable {
    std::mutex mutex;
    std::map<std::string, const char* const*> resources;
    std::map<std::uintptr_t, TPicture> loaded;
    std::uintptr_t next = 0x1000;
};

IconTable& icons() {
    static auto* table = new IconTable; // outlives static destructors that may free icons
    return *table;
}

} // namespace

void RegisterIconResource(const std::string& name, const char* const* xpm) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    t.resources[name] = xpm;
}

TPicture IconPicture(HICON icon) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    auto it = t.loaded.find(reinterpret_cast<std::uintptr_t>(icon));
    return it == t.loaded.end() ? TPicture() : it->second;
}

} // namespace toolkit

using namespace toolkit;

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    if (lpIconName == nullptr) {
        return nullptr;
    }
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    auto it = t.resources.find(lpIconName);
    if (it == t.resources.end()) {
        return nullptr;
    }
    TPicture picture;
    if (!picture.LoadFromXpm(it->second)) {
        return nullptr;
    }
    std::uintptr_t id = t.next;
    t.next += 4;
    t.loaded.emplace(id, picture);
    return reinterpret_cast<HICON>(id);
}

BOOL DestroyIcon(HICON hIcon) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    return t.loaded.erase(reinterpret_cast<std::uintptr_t>(hIcon)) != 0 ? TRUE : FALSE;
}
