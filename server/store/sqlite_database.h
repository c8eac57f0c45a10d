#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace mossquill::service {

class SqliteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One open database connection.
class SqliteDatabase {
public:
    explicit SqliteDatabase(const std::string& path);

    void Execute(const char* sql);
    sqlite3* Handle() const { return handle_.get(); }
    [[noreturn]] void Fail(const char* what) const;

private:
    struct Closer {
        void operator()(sqlite3* handle) const;
    };
    std::unique_ptr<sqlite3, Closer> handle_;
};

// One prepared statement; Step returns true while rows come.
class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& database, const char* sql);

    // Back to the start with no bindings; a statement left mid-way would hold its read
    // transaction open and keep the WAL from being checkpointed.
    void Reset();

    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, std::string_view bytes);
    SqliteStatement& Bind(int index, long long value);
    bool Step();
    std::string Text(int column) const;
    std::string Blob(int column) const;
    long long Integer(int column) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    SqliteDatabase& database_;
    std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

// Statements prepared once and reused: preparing costs more than most of the queries.
class SqliteStatementCache {
public:
    explicit SqliteStatementCache(SqliteDatabase& database) : database_(database) {}

    // The statement for this SQL text, reset again when the handle goes out of scope.
    class Use {
    public:
        explicit Use(SqliteStatement& statement) : statement_(statement) {}
        ~Use() { statement_.Reset(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        SqliteStatement* operator->() const { return &statement_; }
        SqliteStatement& operator*() const { return statement_; }

    private:
        SqliteStatement& statement_;
    };

    Use operator()(const char* sql);

private:
    SqliteDatabase& database_;
    std::map<std::string, SqliteStatement, std::less<>> statements_;
};

// BEGIN IMMEDIATE on construction; rolls back unless committed.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& database);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void Commit();

private:
    SqliteDatabase& database_;
    bool open_ = true;
};

}  // namespace mossquill::service
