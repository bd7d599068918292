#pragma once
// Fills a fresh SQLite database with the demo system's tables and deterministic rows: one SQLite
// table per dictionary table (structures excepted), columns typed by the ABAP type, rows clustered
// on the key (WITHOUT ROWID), the same rows for the same scale on every run.
#include "demosystem/DemoSamples.h"
#include "demosystem/Dictionary.h"
#include "demosystem/SqliteStatement.h"

#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace demo {

class DataGenerator {
public:
    static constexpr std::uint64_t Seed = 0x5156'4F52'2026ull;
    static constexpr int BsegRowsPerScale = 10000;

    DataGenerator(sqlite3* db, int scale);
    // Creates every table and fills it in one transaction; throws std::runtime_error on failure.
    void run();

    // The SQL that creates one table (exposed for tests).
    static std::string createTableSql(const TableDef& table);

private:
    std::unique_ptr<SqliteStatement> writer(const std::string& table, const std::vector<std::string>& columns);
    samples::Rng rngFor(const std::string& table) const;

    void clientsAndCountries();
    void companyCodesAndPlants();
    void users();
    void dictionaryTables();
    void longTexts();
    void customers();
    void vendors();
    void materials();
    void salesDocuments();
    void accountingDocuments();
    void flights();

    struct Customer {
        std::string kunnr, land1, currency, bukrs;
    };
    struct Material {
        std::string matnr, unit;
        int priceCents;
        int kind;
    };

    sqlite3* db_;
    int scale_;
    std::vector<Customer> customers_;
    std::vector<std::string> vendors_;
    std::vector<Material> materials_;
};

} // namespace demo
