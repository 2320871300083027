#include "platform/registry/sqlite_db.h"

namespace platform::registry {

int Database::open(const std::string& path) {
    close();
    // The store serialises its own calls; the connection needs no mutex of its own.
    int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        close();
        return rc;
    }
    sqlite3_extended_result_codes(db_, 0);
    return SQLITE_OK;
}

void Database::close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

int Database::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::string Database::errorMessage() const {
    return db_ ? sqlite3_errmsg(db_) : "no database connection";
}

Statement::Statement(const Database& db, const char* sql) {
    prepareResult_ =
        db.handle() ? sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) : SQLITE_MISUSE;
    if (prepareResult_ == SQLITE_OK && !stmt_) {
        prepareResult_ = SQLITE_MISUSE; // empty statement text
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (stmt_) {
        sqlite3_bind_int64(stmt_, index, value);
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (stmt_) {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

Statement& Statement::bindBlob(int index, std::span<const std::uint8_t> data) {
    if (stmt_) {
        // A zero-length blob must still be a blob, not NULL.
        static const std::uint8_t kEmpty = 0;
        sqlite3_bind_blob(stmt_, index, data.empty() ? &kEmpty : data.data(),
                          static_cast<int>(data.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

int Statement::step() {
    if (prepareResult_ != SQLITE_OK) {
        return prepareResult_;
    }
    return sqlite3_step(stmt_);
}

std::int64_t Statement::columnInt(int index) const {
    return sqlite3_column_int64(stmt_, index);
}

std::string Statement::columnText(int index) const {
    const auto* text = sqlite3_column_text(stmt_, index);
    const int size = sqlite3_column_bytes(stmt_, index);
    return text ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::span<const std::uint8_t> Statement::columnBlob(int index) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, index));
    const int size = sqlite3_column_bytes(stmt_, index);
    return data ? std::span<const std::uint8_t>(data, static_cast<std::size_t>(size))
                : std::span<const std::uint8_t>();
}

} // namespace platform::registry
