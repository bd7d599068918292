#include "demosystem/DataGenerator.h"

#include "demosystem/WhereSql.h"

#include <sqlite3.h>

#include <algorithm>

namespace demo {

using samples::dateText;
using samples::numbered;

DataGenerator::DataGenerator(sqlite3* db, int scale) : db_(db), scale_(scale < 1 ? 1 : scale) {}

std::string DataGenerator::createTableSql(const TableDef& table)
{
    std::string sql = "CREATE TABLE " + WhereSql::quote(table.name) + " (";
    std::string keys;
    for (const auto& f : table.fields) {
        sql += WhereSql::quote(f.name);
        switch (f.type) {
        case 'P':
        case 'I':
        case 's':
            sql += " INTEGER DEFAULT 0";
            break;
        case 'F':
            sql += " REAL DEFAULT 0.0";
            break;
        case 'X':
            sql += " BLOB DEFAULT x'" + std::string(static_cast<std::size_t>(f.length) * 2, '0') + "'";
            break;
        case 'N':
            sql += " TEXT DEFAULT '" + std::string(static_cast<std::size_t>(f.length), '0') + "'";
            break;
        case 'D':
            sql += " TEXT DEFAULT '00000000'";
            break;
        case 'T':
            sql += " TEXT DEFAULT '000000'";
            break;
        default:
            sql += " TEXT DEFAULT ''";
            break;
        }
        sql += ", ";
        if (f.key) keys += (keys.empty() ? "" : ", ") + WhereSql::quote(f.name);
    }
    sql += "PRIMARY KEY (" + keys + ")) WITHOUT ROWID";
    return sql;
}

std::unique_ptr<SqliteStatement> DataGenerator::writer(const std::string& table, const std::vector<std::string>& columns)
{
    std::string sql = "INSERT INTO " + WhereSql::quote(table) + " (";
    std::string marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i ? ", " : "") + WhereSql::quote(columns[i]);
        marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    return std::make_unique<SqliteStatement>(db_, sql);
}

samples::Rng DataGenerator::rngFor(const std::string& table) const
{
    std::uint64_t h = Seed;
    for (char c : table) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return samples::Rng(h);
}

void DataGenerator::run()
{
    execSql(db_, "BEGIN");
    try {
        for (const auto& t : Dictionary::instance().tables())
            if (!t.isStructure()) execSql(db_, createTableSql(t));
        clientsAndCountries();
        companyCodesAndPlants();
        users();
        dictionaryTables();
        longTexts();
        customers();
        vendors();
        materials();
        salesDocuments();
        accountingDocuments();
        flights();
        execSql(db_, "COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

namespace {

std::string iso3(const std::string& key)
{
    static const char* const codes[][2] = {{"AO", "AGO"}, {"AR", "ARG"}, {"AT", "AUT"}, {"BR", "BRA"}, {"CA", "CAN"},
                                           {"CH", "CHE"}, {"DE", "DEU"}, {"ES", "ESP"}, {"FR", "FRA"}, {"GB", "GBR"},
                                           {"IT", "ITA"}, {"JP", "JPN"}, {"MX", "MEX"}, {"MZ", "MOZ"}, {"NL", "NLD"},
                                           {"PL", "POL"}, {"PT", "PRT"}, {"SE", "SWE"}, {"US", "USA"}};
    for (const auto& c : codes)
        if (key == c[0]) return c[1];
    return key;
}

} // namespace

void DataGenerator::clientsAndCountries()
{
    auto t000 = writer("T000", {"MANDT", "MTEXT", "ORT01", "MWAER", "CCCATEGORY", "CCCORACTIV", "CHANGEUSER",
                                "CHANGEDATE", "LOGSYS"});
    t000->text("000").text("SAP AG").text("Walldorf").text("EUR").text("S").text("2").text("SAP")
        .text("20170301").text("").insert();
    t000->text("001").text("Orvane Demo").text("São Paulo").text("BRL").text("D").text("1").text("DEMO")
        .text("20260105").text("DEMCLNT001").insert();
    t000->text("066").text("EarlyWatch").text("Walldorf").text("EUR").text("S").text("2").text("SAP")
        .text("20170301").text("").insert();

    auto t005 = writer("T005", {"MANDT", "LAND1", "LANDK", "LNPLZ", "SPRAS", "INTCA", "INTCA3", "XEGLD", "WAERS",
                                "GWGWRT"});
    auto t005t = writer("T005T", {"MANDT", "SPRAS", "LAND1", "LANDX", "NATIO", "LANDX50", "NATIO50"});
    std::vector<const samples::Country*> sorted;
    for (const auto& c : samples::countries()) sorted.push_back(&c);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return std::string(a->key) < b->key; });
    static const char* const eu[] = {"PT", "DE", "FR", "ES", "IT", "AT", "NL", "SE", "PL"};
    for (const char* client : {"000", "001"}) {
        for (const auto* c : sorted) {
            bool inEu = false;
            for (const char* e : eu) inEu = inEu || std::string(e) == c->key;
            const std::string key = c->key;
            t005->text(client).text(key).text(key == "DE" ? "D" : key).text(numbered(c->cities.front().postalCode[0] ? 5 : 0, 2))
                .text(std::string(1, c->language)).text(key).text(iso3(key))
                .text(inEu ? "X" : "").text(c->currency).integer(key == "DE" ? 80000 : 0).insert();
        }
    }
    const auto cut = [](const std::string& s, std::size_t n) { return s.size() > n ? s.substr(0, n) : s; };
    for (const char* client : {"000", "001"}) {
        for (const char* language : {"D", "E", "P"}) {
            for (const auto* c : sorted) {
                const std::string name = language[0] == 'D' ? c->nameDe : language[0] == 'P' ? c->namePt : c->nameEn;
                const std::string nationality = language[0] == 'P' ? c->nationalityPt : c->nationalityEn;
                t005t->text(client).text(language).text(c->key).text(cut(name, 15)).text(cut(nationality, 15))
                    .text(name).text(nationality).insert();
            }
        }
    }
}

void DataGenerator::companyCodesAndPlants()
{
    auto t001 = writer("T001", {"MANDT", "BUKRS", "BUTXT", "ORT01", "LAND1", "WAERS", "SPRAS", "KTOPL", "PERIV",
                                "RCOMP", "STCEG", "XPROD"});
    t001->text("000").text("0001").text("SAP A.G.").text("Walldorf").text("DE").text("EUR").text("D").text("INT")
        .text("K4").text("").text("").text("").insert();
    struct Code {
        const char *bukrs, *name, *city, *land, *currency, *language, *vat;
    };
    static const Code codes[] = {
        {"1000", "Orvane Deutschland GmbH", "München", "DE", "EUR", "D", "DE811234567"},
        {"2000", "Orvane Brasil Ltda", "São Paulo", "BR", "BRL", "P", ""},
        {"3000", "Orvane Inc.", "New York", "US", "USD", "E", ""},
        {"4000", "Orvane Portugal, Lda", "Lisboa", "PT", "EUR", "P", "PT501234567"},
    };
    for (const auto& c : codes)
        t001->text("001").text(c.bukrs).text(c.name).text(c.city).text(c.land).text(c.currency).text(c.language)
            .text("INT").text("K4").text(c.bukrs).text(c.vat).text("X").insert();

    auto t001w = writer("T001W", {"MANDT", "WERKS", "NAME1", "BWKEY", "STRAS", "PSTLZ", "ORT01", "EKORG", "VKORG",
                                  "LAND1", "REGIO", "SPRAS", "FABKL"});
    struct Plant {
        const char *werks, *name, *street, *postal, *city, *org, *land, *region, *language, *calendar;
    };
    static const Plant plants[] = {
        {"1000", "Werk München", "Leopoldstraße 12", "80802", "München", "1000", "DE", "09", "D", "01"},
        {"1100", "Werk Hamburg", "Hafenstraße 7", "20359", "Hamburg", "1000", "DE", "02", "D", "01"},
        {"2000", "Fábrica São Paulo", "Avenida Paulista, 1578", "01310-200", "São Paulo", "2000", "BR", "SP", "P", "BR"},
        {"2100", "Centro de Distribuição Curitiba", "Rua XV de Novembro, 300", "80020-310", "Curitiba", "2000", "BR", "PR", "P", "BR"},
        {"3000", "Plant New York", "350 Fifth Avenue", "10118", "New York", "3000", "US", "NY", "E", "US"},
        {"3100", "Plant Chicago", "233 South Wacker Drive", "60606", "Chicago", "3000", "US", "IL", "E", "US"},
        {"4000", "Armazém Lisboa", "Rua do Ouro, 88", "1100-063", "Lisboa", "4000", "PT", "11", "P", "PT"},
        {"4100", "Fábrica Porto", "Rua de Santa Catarina, 112", "4000-442", "Porto", "4000", "PT", "13", "P", "PT"},
    };
    for (const auto& p : plants)
        t001w->text("001").text(p.werks).text(p.name).text(p.werks).text(p.street).text(p.postal).text(p.city)
            .text(p.org).text(p.org).text(p.land).text(p.region).text(p.language).text(p.calendar).insert();
}

void DataGenerator::users()
{
    auto rng = rngFor("USR02");
    auto usr02 = writer("USR02", {"MANDT", "BNAME", "BCODE", "GLTGV", "GLTGB", "USTYP", "CLASS", "LOCNT", "UFLAG",
                                  "ANAME", "ERDAT", "TRDAT", "LTIME", "CODVN", "PWDCHGDATE", "PASSCODE"});
    std::vector<std::string> names = {"AUDITOR", "BWALDOR", "DDIC", "DEMO", "JSILVA", "MMUELLER", "ACOSTA",
                                      "KSCHNEIDER", "LFERREIRA", "RFC_USER", "SAP*", "TMARTINS", "WF-BATCH"};
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        unsigned char hash[20];
        for (auto& b : hash) b = static_cast<unsigned char>(rng.next());
        const bool system = name == "DDIC" || name == "SAP*" || name == "WF-BATCH" || name == "RFC_USER";
        const int created = samples::daysFromCivil(2018, 1, 1) + rng.range(0, 2000);
        usr02->text("001").text(name).blob(hash, 8).text(dateText(created)).text("99991231")
            .text(system ? (name == "RFC_USER" ? "B" : "S") : "A").text(system ? "SUPER" : "DEMO_USERS")
            .integer(name == "BWALDOR" ? 5 : 0).integer(name == "BWALDOR" ? 128 : 0).text("DDIC")
            .text(dateText(created)).text(dateText(created + rng.range(100, 2500))).text(samples::timeText(rng.range(0, 86399)))
            .text("H").text(dateText(created + rng.range(0, 300))).blob(hash, 20).insert();
    }
}

void DataGenerator::dictionaryTables()
{
    auto dd02l = writer("DD02L", {"TABNAME", "AS4LOCAL", "AS4VERS", "TABCLASS", "CLIDEP", "BUFFERED", "LANGDEP",
                                  "APPLCLASS", "AUTHCLASS", "AS4USER", "AS4DATE", "AS4TIME", "MASTERLANG", "MAINFLAG",
                                  "CONTFLAG"});
    auto dd02t = writer("DD02T", {"TABNAME", "DDLANGUAGE", "AS4LOCAL", "AS4VERS", "DDTEXT"});
    auto dd03l = writer("DD03L", {"TABNAME", "FIELDNAME", "AS4LOCAL", "AS4VERS", "POSITION", "KEYFLAG", "ROLLNAME",
                                  "INTTYPE", "INTLEN", "NOTNULL", "DATATYPE", "LENG", "DECIMALS", "DOMNAME",
                                  "DBPOSITION"});
    for (const auto& t : Dictionary::instance().tables()) {
        const bool custom = t.name[0] == 'Z' || t.name[0] == '/';
        dd02l->text(t.name).text("A").text("0000").text(t.tableClass).text(t.clientDependent() ? "X" : "")
            .text(t.name.rfind("T0", 0) == 0 ? "X" : "").text(t.name == "DD02T" || t.name == "T005T" || t.name == "MAKT" ? "X" : "")
            .text(custom ? "ZQVR" : "SAP").text(t.authGroup).text(custom ? "DEMO" : "SAP")
            .text(custom ? "20260105" : "20170301").text("120000").text(custom ? "E" : "D")
            .text(t.isStructure() ? "" : "X").text(t.name[0] == 'T' ? "C" : "A").insert();
        dd02t->text(t.name).text("E").text("A").text("0000").text(t.textEn).insert();
        if (!t.textPt.empty()) dd02t->text(t.name).text("P").text("A").text("0000").text(t.textPt).insert();
    }
    for (const auto& t : Dictionary::instance().tables()) {
        // DD03L's key is TABNAME, FIELDNAME, ...: insert in that order.
        std::vector<const FieldDef*> byName;
        for (const auto& f : t.fields) byName.push_back(&f);
        std::sort(byName.begin(), byName.end(), [](auto* a, auto* b) { return a->name < b->name; });
        for (const FieldDef* f : byName) {
            int intlen = f->length * 2;
            switch (f->type) {
            case 'P': intlen = f->length / 2 + 1; break;
            case 'I': intlen = 4; break;
            case 's': intlen = 2; break;
            case 'F': intlen = 8; break;
            case 'X': intlen = f->length; break;
            default: break;
            }
            dd03l->text(t.name).text(f->name).text("A").text("0000").text(numbered(f->position, 4))
                .text(f->key ? "X" : "").text(f->name).text(std::string(1, f->type)).text(numbered(intlen, 6))
                .text(f->key ? "X" : "").text(f->ddicType()).text(numbered(f->length, 6)).text(numbered(f->decimals, 6))
                .text(f->name).text(numbered(f->position, 4)).insert();
        }
    }
}

void DataGenerator::longTexts()
{
    auto rng = rngFor("ZQVR_LONGTEXT");
    auto w = writer("ZQVR_LONGTEXT", {"MANDT", "TEXTID", "LONGTEXT"});
    static const std::vector<std::string> sentences = {
        "Lieferung an das Lager in München nach Rücksprache mit Herrn Groß. ",
        "Entrega em São Paulo somente após a confirmação do pagamento. ",
        "Customer asked for a split delivery; see the note of O'Neil. ",
        "Ação promocional válida até o fim do mês; não acumulável. ",
        "Maße und Gewichte gemäß Zeichnung Nr. 4711, Größe XL. ",
        "Payment terms were renegotiated in the annual review. ",
    };
    for (int i = 1; i <= 20 * scale_; ++i) {
        std::string text;
        const std::size_t target = i % 5 == 0 ? 1000 : static_cast<std::size_t>(rng.range(40, 990));
        while (text.size() < target * 2) text += rng.pick(sentences);
        // Cut to the target in characters, never inside a UTF-8 sequence.
        std::size_t chars = 0, pos = 0;
        while (pos < text.size() && chars < target) {
            ++pos;
            while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
            ++chars;
        }
        text.resize(pos);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        w->text("001").text(numbered(i, 6)).text(text).insert();
    }
}

} // namespace demo
