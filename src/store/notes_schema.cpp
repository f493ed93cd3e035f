#include "store/untdb.h"

#include <string>

namespace kuvano::notes {

namespace {
// "Prefix1 TYPE,\n    Prefix2 TYPE, ..." for columns 1..n.
std::string numbered(const char* prefix, int n, const char* type) {
    std::string out;
    for (int i = 1; i <= n; ++i) {
        out += "    ";
        out += prefix + std::to_string(i) + ' ' + type;
        if (i < n) out += ",\n";
    }
    return out;
}

std::string table(const char* name, const char* key, const std::string& columns) {
    return std::string("CREATE TABLE ") + name + " (\n    " + key + ",\n" + columns + "\n);\n";
}

std::string buildSchema() {
    // Pages reach the columns after each key by position, so the column
    // order is part of the file format.
    const std::string cells = numbered("Cell", 42, "BLOB");
    const std::string texts = numbered("Text", 42, "TEXT");
    const std::string colors = numbered("Color", 42, "INTEGER");
    std::string sql;
    sql += "CREATE TABLE Taili (YearMonth TEXT, Content BLOB);\n";
    sql += "CREATE TABLE TailiColor (YearMonth TEXT, Color INTEGER);\n";
    // One row per month: the month key (20105 for May 2010), then the rich
    // text of the 42 desk-calendar cells in cell order.
    sql += table("TailiNew", "YearMonth TEXT", cells);
    // One row per day that ever had a schedule.
    sql += "CREATE TABLE TailiNew_day (daydate TEXT UNIQUE, daycontent BLOB);\n";
    sql += table("edtText", "edtYearMonth TEXT", texts);
    sql += table("edtTextColor", "edtYearMonth TEXT", colors);
    sql += table("RiliJishi", "edtYearMonth TEXT", texts);
    sql += table("RiliColor", "edtYearMonth TEXT", colors);
    sql += table("YearJishi", "year INTEGER", numbered("Month", 12, "BLOB"));
    // The memo list: one row keyed "bwl", its eleven lines at positions 1..11.
    sql += table("beiwanglu", "ID INTEGER", numbered("Line", 11, "TEXT") + ",\n    memkey TEXT");
    sql += "INSERT INTO beiwanglu(ID, memkey) VALUES(1, 'bwl');\n";
    return sql;
}
} // namespace

const char* NotesSchemaSql() {
    static const std::string sql = buildSchema();
    return sql.c_str();
}

} // namespace kuvano::notes
