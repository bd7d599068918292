#pragma once
// The data dictionary of the demo system: tables, their fields and texts, as SAP's DDIC holds
// them (DD02L/DD03L/DD04T). Built once from compact field lines kept in the Dictionary*Tables files.
#include <string>
#include <string_view>
#include <vector>

namespace demo {

struct FieldDef {
    std::string name;
    int position = 0;          // 1-based, dictionary order
    bool key = false;
    char type = 'C';           // ABAP internal type letter: C N D T X P I F s
    int length = 0;            // DFIES-LENG: characters, digits or bytes
    int decimals = 0;
    std::string textEn;        // data-element text, English
    std::string textPt;        // Portuguese, empty where none exists
    std::string ddicType() const;   // CHAR, NUMC, CURR, CLNT, ... as DD03L shows it
    bool isNumeric() const { return type == 'P' || type == 'I' || type == 's' || type == 'F'; }
    bool isCharacterLike() const { return type == 'C' || type == 'N' || type == 'D' || type == 'T'; }
};

struct TableDef {
    std::string name;
    std::string tableClass = "TRANSP";   // TRANSP or INTTAB
    std::string authGroup;               // authorisation group (TDDAT-CCLASS)
    std::string textEn;
    std::string textPt;
    std::vector<FieldDef> fields;

    bool crossClient = false;            // T000 lists the clients themselves

    // The first field of a client-dependent table is its client (MANDT, or CLIENT in newer tables).
    bool clientDependent() const { return !crossClient && !fields.empty() && fields.front().ddicType() == "CLNT"; }
    bool isStructure() const { return tableClass == "INTTAB"; }
    const FieldDef* field(std::string_view fieldName) const;
    int fieldIndex(std::string_view fieldName) const;
    std::vector<const FieldDef*> keyFields() const;
};

// Compact source form of one table: field lines "[*]NAME TYPE+LENGTH[.DECIMALS] English|Portuguese",
// a leading * marks a key field, e.g. "*KUNNR C10 Customer Number|Nº do cliente".
struct TableSource {
    const char* name;
    const char* tableClass;
    const char* authGroup;
    const char* textEn;
    const char* textPt;
    std::vector<const char*> fieldLines;
};

class Dictionary {
public:
    static const Dictionary& instance();

    const TableDef* table(std::string_view name) const;
    const std::vector<TableDef>& tables() const { return tables_; }

    // True when the user lacks display authority (S_TABU_DIS) for the authorization group.
    bool refuses(std::string_view user, std::string_view authGroup) const;

    // Parses one field line; throws std::invalid_argument on a malformed line.
    static FieldDef parseFieldLine(std::string_view line, int position);
    static TableDef build(const TableSource& source);

private:
    Dictionary();
    std::vector<TableDef> tables_;
    struct Refusal {
        std::string user;
        std::vector<std::string> authGroups;
    };
    std::vector<Refusal> refusals_;
};

// The table sources, one group per file.
void addBasisTables(std::vector<TableSource>& out);
void addCustomerVendorTables(std::vector<TableSource>& out);
void addMaterialSalesTables(std::vector<TableSource>& out);
void addAccountingTables(std::vector<TableSource>& out);
void addBsegTable(std::vector<TableSource>& out);
void addFlightTables(std::vector<TableSource>& out);

} // namespace demo
