#include "store/sqlite_database.h"

#include <sqlite3.h>

namespace mossquill::service {

void SqliteDatabase::Closer::operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }

SqliteDatabase::SqliteDatabase(const std::string& path) {
    sqlite3* raw = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    handle_.reset(raw);
    if (result != SQLITE_OK) {
        throw SqliteError("cannot open database " + path + ": " +
                          (raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(result)));
    }
    sqlite3_extended_result_codes(raw, 1);
}

void SqliteDatabase::Execute(const char* sql) {
    if (sqlite3_exec(handle_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(sql);
    }
}

void SqliteDatabase::Fail(const char* what) const {
    throw SqliteError(std::string(what) + ": " + sqlite3_errmsg(handle_.get()));
}

void SqliteStatement::Finalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

SqliteStatement::SqliteStatement(SqliteDatabase& database, const char* sql) : database_(database) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database.Handle(), sql, -1, &raw, nullptr) != SQLITE_OK) {
        database.Fail(sql);
    }
    statement_.reset(raw);
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    if (sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        database_.Fail("bind");
    }
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes) {
    if (sqlite3_bind_blob(statement_.get(), index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        database_.Fail("bind");
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, long long value) {
    if (sqlite3_bind_int64(statement_.get(), index, value) != SQLITE_OK) {
        database_.Fail("bind");
    }
    return *this;
}

bool SqliteStatement::Step() {
    const int result = sqlite3_step(statement_.get());
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    database_.Fail(sqlite3_sql(statement_.get()));
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(statement_.get(), column);
    const int size = sqlite3_column_bytes(statement_.get(), column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
}

std::string SqliteStatement::Blob(int column) const {
    const void* bytes = sqlite3_column_blob(statement_.get(), column);
    const int size = sqlite3_column_bytes(statement_.get(), column);
    return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
}

long long SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }

SqliteStatementCache::Use SqliteStatementCache::operator()(const char* sql) {
    auto found = statements_.find(std::string_view(sql));
    if (found == statements_.end()) {
        found = statements_.try_emplace(sql, database_, sql).first;
    }
    return Use(found->second);
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& database) : database_(database) {
    database_.Execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (open_) {
        sqlite3_exec(database_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void SqliteTransaction::Commit() {
    database_.Execute("COMMIT");
    open_ = false;
}

}  // namespace mossquill::service
