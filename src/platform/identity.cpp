#include "platform/identity.h"

#include <cstdlib>
#include <utility>

#if !defined(APP_IDENTITY_NAME) || !defined(APP_IDENTITY_ENV_PREFIX)
#error "the application's build names the program: APP_IDENTITY_NAME, APP_IDENTITY_ENV_PREFIX"
#endif

namespace platform {
namespace {

AppIdentity& current() {
    static AppIdentity identity{APP_IDENTITY_NAME, APP_IDENTITY_ENV_PREFIX, "registry.db",
                                std::string(APP_IDENTITY_NAME) + "-wow16"};
    return identity;
}

} // namespace

const AppIdentity& appIdentity() {
    return current();
}

void setAppIdentity(AppIdentity identity) {
    current() = std::move(identity);
}

const char* appEnv(const char* variable) {
    const std::string name = current().envPrefix + variable;
    const char* value = std::getenv(name.c_str());
    return (value && *value) ? value : nullptr;
}

} // namespace platform
