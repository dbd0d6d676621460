// The start-up of a program that is nothing but SQLite: opens the data file,
// runs the statements the real start-up ran, stepping the same rows and
// reading every column, prints "shown" and ends. No Qt, so that what it
// costs is the engine's part of starting alone.
//
//   bench_rawstart <data file> <statements file>
//
// The statements file holds, per statement, "<rows> <bytes>\n" and then the
// statement's text of that many bytes and a newline (bench_run writes it).
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_rawstart <data file> <statements file>\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
    std::ifstream in(argv[2], std::ios::binary);
    long long rows = 0;
    size_t bytes = 0;
    long long read = 0;
    while (in >> rows >> bytes) {
        in.get();
        std::string sql(bytes, '\0');
        in.read(sql.data(), std::streamsize(bytes));
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "bench_rawstart: %s: %s\n", sql.c_str(), sqlite3_errmsg(db));
            continue;
        }
        long long n = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (n++ == rows) break; // one step past the rows taken, as RunRaw does
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    read += sqlite3_column_int64(st, c) & 1;
                    break;
                case SQLITE_FLOAT:
                    read += sqlite3_column_double(st, c) > 0;
                    break;
                case SQLITE_TEXT:
                    sqlite3_column_text(st, c);
                    read += sqlite3_column_bytes(st, c);
                    break;
                case SQLITE_BLOB:
                    sqlite3_column_blob(st, c);
                    read += sqlite3_column_bytes(st, c);
                    break;
                default:
                    break;
                }
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    std::printf("shown\n{\"bytes\":%lld}\n", read);
    return 0;
}
