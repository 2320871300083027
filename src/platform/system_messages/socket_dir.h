// The folder of the programs' message sockets and the sockets' names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>

namespace platform::socket_dir {

// Creates the folder (mode 0700) when missing; false with a reason when it cannot be made or
// is not a private folder of this user.
bool ensure(const std::filesystem::path& dir, std::string& error);
// "<pid>.sock"
std::string socketName(pid_t pid);
// The pid a socket's file name stands for, or nothing for other names.
std::optional<pid_t> pidOf(const std::filesystem::path& file);
// Fills a Unix socket address; false when the path is too long for one.
bool makeAddress(const std::filesystem::path& path, struct sockaddr_un& address, socklen_t& length);

} // namespace platform::socket_dir
