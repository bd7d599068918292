#include "demosystem/Dictionary.h"

#include <algorithm>
#include <stdexcept>

namespace demo {

std::string FieldDef::ddicType() const
{
    switch (type) {
    case 'N': return "NUMC";
    case 'D': return "DATS";
    case 'T': return "TIMS";
    case 'X': return "RAW";
    case 'I': return "INT4";
    case 's': return "INT2";
    case 'F': return "FLTP";
    case 'P': {
        static const char* const amounts[] = {"DMBTR", "WRBTR", "NETWR", "NETPR", "WAVWR", "DMBE2", "DMBE3",
                                              "PRICE", "PAYMENTSUM", "SKFBT", "WSKTO", "MWSTS", "WMWST"};
        for (const char* a : amounts)
            if (name == a) return "CURR";
        static const char* const quantities[] = {"MENGE", "KWMENG", "ERFMG", "BRGEW", "NTGEW", "BPMNG"};
        for (const char* q : quantities)
            if (name == q) return "QUAN";
        return "DEC";
    }
    default:
        break;
    }
    if (name == "MANDT" || name == "CLIENT") return "CLNT";
    if (name == "SPRAS" || name == "DDLANGUAGE" || name == "LANGU" || name == "SPRSL") return "LANG";
    if (name == "WAERS" || name == "WAERK" || name == "CURRENCY" || name == "HWAER" || name == "MWAER"
        || name == "PSWSL" || name == "CURRENCY_CODE")
        return "CUKY";
    if (name == "MEINS" || name == "VRKME" || name == "GEWEI" || name == "ERFME" || name == "DISTID"
        || name == "BPRME")
        return "UNIT";
    return "CHAR";
}

const FieldDef* TableDef::field(std::string_view fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? nullptr : &fields[static_cast<std::size_t>(i)];
}

int TableDef::fieldIndex(std::string_view fieldName) const
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == fieldName) return static_cast<int>(i);
    return -1;
}

std::vector<const FieldDef*> TableDef::keyFields() const
{
    std::vector<const FieldDef*> keys;
    for (const auto& f : fields)
        if (f.key) keys.push_back(&f);
    return keys;
}

FieldDef Dictionary::parseFieldLine(std::string_view line, int position)
{
    FieldDef f;
    f.position = position;
    std::size_t pos = 0;
    if (!line.empty() && line[0] == '*') {
        f.key = true;
        pos = 1;
    }
    const std::size_t nameEnd = line.find(' ', pos);
    if (nameEnd == std::string_view::npos || nameEnd == pos)
        throw std::invalid_argument("field line without type: " + std::string(line));
    f.name = std::string(line.substr(pos, nameEnd - pos));
    pos = nameEnd + 1;
    if (pos >= line.size()) throw std::invalid_argument("field line without type: " + std::string(line));
    f.type = line[pos++];
    if (std::string_view("CNDTXPIFs").find(f.type) == std::string_view::npos)
        throw std::invalid_argument("unknown type in field line: " + std::string(line));
    int length = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') length = length * 10 + (line[pos++] - '0');
    int decimals = 0;
    if (pos < line.size() && line[pos] == '.') {
        ++pos;
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9')
            decimals = decimals * 10 + (line[pos++] - '0');
    }
    if (length <= 0) throw std::invalid_argument("field line without length: " + std::string(line));
    f.length = length;
    f.decimals = decimals;
    if (pos < line.size() && line[pos] == ' ') ++pos;
    const std::string_view texts = pos < line.size() ? line.substr(pos) : std::string_view();
    const std::size_t bar = texts.find('|');
    f.textEn = std::string(texts.substr(0, bar));
    if (bar != std::string_view::npos) f.textPt = std::string(texts.substr(bar + 1));
    return f;
}

TableDef Dictionary::build(const TableSource& source)
{
    TableDef t;
    t.name = source.name;
    t.tableClass = source.tableClass;
    t.authGroup = source.authGroup;
    t.textEn = source.textEn;
    t.textPt = source.textPt;
    t.crossClient = t.name == "T000";
    int position = 0;
    for (const char* line : source.fieldLines) t.fields.push_back(parseFieldLine(line, ++position));
    return t;
}

Dictionary::Dictionary()
{
    std::vector<TableSource> sources;
    addBasisTables(sources);
    addCustomerVendorTables(sources);
    addMaterialSalesTables(sources);
    addAccountingTables(sources);
    addBsegTable(sources);
    addFlightTables(sources);
    for (const auto& s : sources) tables_.push_back(build(s));
    std::sort(tables_.begin(), tables_.end(), [](const TableDef& a, const TableDef& b) { return a.name < b.name; });
    // The demo users' missing authorizations: the auditor may not display user master data.
    refusals_ = {{"AUDITOR", {"SS"}}};
}

bool Dictionary::refuses(std::string_view user, std::string_view authGroup) const
{
    for (const Refusal& r : refusals_)
        if (r.user == user)
            return std::find(r.authGroups.begin(), r.authGroups.end(), authGroup) != r.authGroups.end();
    return false;
}

const Dictionary& Dictionary::instance()
{
    static const Dictionary dictionary;
    return dictionary;
}

const TableDef* Dictionary::table(std::string_view name) const
{
    const auto it = std::lower_bound(tables_.begin(), tables_.end(), name,
                                     [](const TableDef& t, std::string_view n) { return t.name < n; });
    return it != tables_.end() && it->name == name ? &*it : nullptr;
}

} // namespace demo
