// A thin RAII layer over the SQLite C API for the settings store: a connection and prepared
// statements with typed binding and reading. Errors are reported as SQLite result codes.
#pragma once

#include <cstdint>
#include <span>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace platform::registry {

class Database {
public:
    Database() = default;
    ~Database() { close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when missing) the database file; returns an SQLite result code.
    int open(const std::string& path);
    void close();
    sqlite3* handle() const { return db_; }

    // Runs statements that return no rows of interest.
    int exec(const char* sql);
    std::string errorMessage() const;

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(const Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, std::span<const std::uint8_t> data);

    // SQLITE_ROW, SQLITE_DONE or an error code (also the preparation's error).
    int step();

    std::int64_t columnInt(int index) const;
    std::string columnText(int index) const;
    std::span<const std::uint8_t> columnBlob(int index) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareResult_;
};

} // namespace platform::registry
