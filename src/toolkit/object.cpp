#include "toolkit/object.h"

#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace toolkit {

std::string TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = (status == 0 && demangled) ? demangled.get() : mangled;
    auto pos = name.rfind("::");
    return pos == std::string::npos ? name : name.substr(pos + 2);
}

} // namespace toolkit
