#include "sap/SoapReader.h"

#include "sap/SoapWriter.h"

#include <expat.h>

#include <algorithm>
#include <stdexcept>

namespace soap {
namespace {

constexpr char NamespaceSeparator = ' ';   // never part of a name or a namespace address
constexpr int MaxDepth = 32;

struct QualifiedName {
    std::string_view space;
    std::string_view local;
};

QualifiedName split(const XML_Char* name)
{
    const std::string_view all(name);
    const std::size_t cut = all.rfind(NamespaceSeparator);
    if (cut == std::string_view::npos) return {{}, all};
    return {all.substr(0, cut), all.substr(cut + 1)};
}

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool isName(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '/')) return false;
    return true;
}

} // namespace

std::string Fault::exception() const
{
    if (!name.empty()) return name;
    std::string_view s(faultString);
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    const std::size_t last = s.find_last_not_of(" \t\r\n");
    if (first != std::string_view::npos) s = s.substr(first, last - first + 1);
    return isName(s) ? std::string(s) : std::string("SYSTEM_FAILURE");
}

struct SoapReader::State {
    ReaderLimits limits;
    std::set<std::string> tableNames;
    RowHook rowHook;
    TableHook tableHook;
    XML_Parser parser = nullptr;
    std::string error;
    std::uint64_t received = 0;
    std::uint64_t fed = 0;   // bytes handed to expat

    Kind kind = Kind::Unknown;
    std::string function;
    std::map<std::string, std::string> parameters;
    std::map<std::string, rfc::Structure> structures;
    std::map<std::string, rfc::Table> tables;
    Fault fault;

    int depth = 0;
    int skipBelow = 0;          // while > 0, elements deeper than this are ignored
    bool bodySeen = false;
    bool functionDone = false;

    // The parameter element being read (depth 4) and what it turned out to be.
    std::string parameter;
    enum class Shape { Open, Table, Structure } shape = Shape::Open;
    bool childSeen[MaxDepth + 2] = {};
    rfc::Table* table = nullptr;
    std::size_t columnGuess = 0;
    std::string component;      // the element whose text is being collected
    std::string text;
    const std::string empty;
    bool collecting = false;
    bool bulk = false;          // the table being read is the bulk table
    std::size_t rowBytes = 0;   // of the row being read
    std::uint64_t held = 0;     // bytes kept outside the bulk table, with a share for bookkeeping

    // Counts bytes kept in memory outside the bulk table; false (and the message refused) beyond the limit.
    bool hold(std::size_t bytes)
    {
        constexpr std::size_t Bookkeeping = 64;   // a map node or a row's vector, roughly
        held += bytes + Bookkeeping;
        if (held <= limits.maxHeldBytes) return true;
        fail("the message holds more than " + std::to_string(limits.maxHeldBytes) + " bytes outside its " + limits.bulkTable + " table");
        return false;
    }

    // The table parameter of this name, made empty; null (and the message refused) when it would be
    // one table too many.
    rfc::Table* freshTable(const std::string& name)
    {
        auto it = tables.find(name);
        if (it == tables.end()) {
            if (tables.size() >= limits.maxTables) {
                fail("the message has more than " + std::to_string(limits.maxTables) + " tables");
                return nullptr;
            }
            if (!hold(name.size())) return nullptr;
            it = tables.emplace(name, rfc::Table()).first;
        } else {
            it->second = rfc::Table();
        }
        bulk = name == limits.bulkTable;
        return &it->second;
    }

    // False (and the message refused) when a new scalar or structure parameter would be one too many.
    bool roomForParameter(const std::string& name)
    {
        if (parameters.count(name) || structures.count(name)) return true;
        if (parameters.size() + structures.size() >= limits.maxParameters) {
            fail("the message has more than " + std::to_string(limits.maxParameters) + " parameters");
            return false;
        }
        return true;
    }

    // Where the last event the parser reported ended. Bytes after it are held inside expat until
    // their token completes, so a token above the ceiling (an endless attribute or comment) is
    // refused while it grows instead of after it was buffered whole.
    std::uint64_t eventEnd = 0;
    void noteEvent()
    {
        const XML_Index start = XML_GetCurrentByteIndex(parser);
        const int count = XML_GetCurrentByteCount(parser);
        if (start >= 0) eventEnd = static_cast<std::uint64_t>(start) + static_cast<std::uint64_t>(std::max(count, 0));
        if (static_cast<std::size_t>(std::max(count, 0)) > tokenCeiling())
            fail("a part of the message is longer than " + std::to_string(limits.maxValueBytes) + " bytes");
    }
    std::size_t tokenCeiling() const { return limits.maxValueBytes + 1024; }   // room for the tag around a value

    void fail(std::string why)
    {
        if (error.empty()) error = std::move(why);
        XML_StopParser(parser, XML_FALSE);
    }

    void startCollecting(std::string_view name)
    {
        component.assign(name);
        text.clear();
        collecting = true;
    }

    void onStart(const XML_Char* rawName)
    {
        noteEvent();
        ++depth;
        if (depth > MaxDepth) return fail("the message is nested too deeply");
        childSeen[depth] = false;
        childSeen[depth - 1] = true;
        collecting = false;   // text before a child element is layout, not a value
        if (skipBelow > 0 && depth > skipBelow) return;
        skipBelow = 0;

        const QualifiedName name = split(rawName);
        switch (depth) {
        case 1:
            if (name.local != "Envelope" || name.space != EnvelopeNamespace)
                return fail("the message is not a SOAP envelope");
            return;
        case 2:
            if (name.local == "Body" && name.space == EnvelopeNamespace && !bodySeen) bodySeen = true;
            else skipBelow = depth;
            return;
        case 3:
            if (functionDone) {
                skipBelow = depth;
                return;
            }
            if (name.local == "Fault" && name.space == EnvelopeNamespace) {
                kind = Kind::Fault;
                return;
            }
            if (name.space != RfcNamespace)
                return fail("the body's element " + std::string(name.local) + " is not an RFC function");
            function = sapName(name.local);
            if (function.size() > 9 && function.ends_with(".Response")) {
                function.resize(function.size() - 9);
                kind = Kind::Answer;
            } else {
                kind = Kind::Request;
            }
            return;
        default:
            break;
        }
        if (kind == Kind::Fault) return startFaultPart(name.local);
        if (depth == 4) {
            parameter = sapName(name.local);
            shape = Shape::Open;
            table = nullptr;
            return startCollecting(name.local);
        }
        if (depth == 5) {
            if (shape == Shape::Open) {
                shape = name.local == "item" ? Shape::Table : Shape::Structure;
                if (shape == Shape::Table && !(table = freshTable(parameter))) return;
                if (shape == Shape::Structure && !roomForParameter(parameter)) return;
            }
            if (shape == Shape::Table) {
                if (name.local != "item") return fail("the table " + parameter + " holds an element other than item");
                if (!bulk && table->rows.size() >= limits.maxRows)
                    return fail("the table " + parameter + " has more than " + std::to_string(limits.maxRows) + " rows");
                if (!bulk && !hold(0)) return;
                table->rows.emplace_back(table->columns.size());
                columnGuess = 0;
                rowBytes = 0;
                return startCollecting("TABLE_LINE");
            }
            return startCollecting(sapName(name.local));
        }
        if (depth == 6 && shape == Shape::Table) return startCollecting(sapName(name.local));
        skipBelow = depth;   // deeper types do not occur in the functions read here
    }

    void startFaultPart(std::string_view local)
    {
        // faultcode and faultstring are children of Fault; Name and Text may sit anywhere in its detail.
        if (depth == 4 && (local == "faultcode" || local == "faultstring")) return startCollecting(local);
        if (depth > 4 && (local == "Name" || local == "Text" || local == "Message")) return startCollecting(local);
    }

    void onText(const XML_Char* s, int length)
    {
        noteEvent();
        if (!collecting) return;
        if (text.size() + static_cast<std::size_t>(length) > limits.maxValueBytes)
            return fail("a value is longer than " + std::to_string(limits.maxValueBytes) + " bytes");
        text.append(s, static_cast<std::size_t>(length));
    }

    void onEnd()
    {
        noteEvent();
        const int d = depth--;
        const bool leaf = !childSeen[d];
        const bool wasCollecting = collecting && leaf;
        collecting = false;
        if (skipBelow > 0 && d > skipBelow) return;
        if (skipBelow == d) {
            skipBelow = 0;
            return;
        }
        if (d == 3) {
            functionDone = true;
            return;
        }
        if (d < 4) return;
        if (kind == Kind::Fault) {
            if (wasCollecting) endFaultPart();
            return;
        }
        if (d == 4) {
            if (shape == Shape::Open) {
                if (tableNames.count(parameter)) {
                    if (!(table = freshTable(parameter))) return;
                    shape = Shape::Table;
                } else {
                    if (!roomForParameter(parameter) || !hold(parameter.size() + (wasCollecting ? text.size() : 0))) return;
                    parameters[parameter] = wasCollecting ? text : std::string();
                }
            }
            if (shape == Shape::Table && tableHook) tableHook(parameter, *table);
            return;
        }
        if (shape == Shape::Structure) {
            if (d != 5) return;
            rfc::Structure& structure = structures[parameter];
            if (!structure.count(component) && structure.size() >= limits.maxColumns)
                return fail("the structure " + parameter + " has more than " + std::to_string(limits.maxColumns) + " components");
            if (!hold(component.size() + (wasCollecting ? text.size() : 0))) return;
            structure[component] = wasCollecting ? text : std::string();
            return;
        }
        // A table: an item that held text instead of components is a line of an elementary type.
        if (d == 5 && wasCollecting && !isBlank(text)) setValue();
        if (d == 6) setValue(wasCollecting ? &text : &empty);
        if (d == 5 && rowHook && error.empty()) {
            rfc::RowList::Row& row = table->rows[table->rows.size() - 1];
            row.resize(table->columns.size());
            rowHook(parameter, table->columns, row);
        }
    }

    void endFaultPart()
    {
        if (component == "faultcode" && fault.faultCode.empty()) fault.faultCode = text;
        else if (component == "faultstring" && fault.faultString.empty()) fault.faultString = text;
        else if (component == "Name" && fault.name.empty()) fault.name = text;
        else if ((component == "Text" || component == "Message") && fault.text.empty()) fault.text = text;
        component.clear();
    }

    void setValue(const std::string* value = nullptr)
    {
        if (!value) value = &text;
        rowBytes += value->size();
        if (rowBytes > limits.maxRowBytes)
            return fail("a row of the table " + parameter + " is larger than " + std::to_string(limits.maxRowBytes) + " bytes");
        if (!bulk && !hold(value->size())) return;
        std::vector<std::string>& columns = table->columns;
        std::size_t c = columnGuess;
        if (c >= columns.size() || columns[c] != component) {
            c = 0;
            while (c < columns.size() && columns[c] != component) ++c;
            if (c == columns.size()) {
                if (columns.size() >= limits.maxColumns) return fail("a table row has too many components");
                columns.push_back(component);
                // Rows read before lacked this component: they hold it empty.
                for (std::size_t r = 0; r < table->rows.size(); ++r) table->rows[r].resize(columns.size());
            }
        }
        columnGuess = c + 1;
        rfc::RowList::Row& row = table->rows[table->rows.size() - 1];
        if (row.size() < columns.size()) row.resize(columns.size());
        row[c] = *value;
    }

    static void XMLCALL startElement(void* user, const XML_Char* name, const XML_Char** /*attributes*/)
    {
        static_cast<State*>(user)->onStart(name);
    }
    static void XMLCALL endElement(void* user, const XML_Char* /*name*/) { static_cast<State*>(user)->onEnd(); }
    static void XMLCALL characters(void* user, const XML_Char* s, int length)
    {
        static_cast<State*>(user)->onText(s, length);
    }
    static void XMLCALL comment(void* user, const XML_Char*) { static_cast<State*>(user)->noteEvent(); }
    static void XMLCALL instruction(void* user, const XML_Char*, const XML_Char*)
    {
        static_cast<State*>(user)->noteEvent();
    }
    static void XMLCALL doctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<State*>(user)->fail("the message has a document type declaration");
    }
    static void XMLCALL entityDeclaration(void* user, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                          const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<State*>(user)->fail("the message declares entities");
    }
};

SoapReader::SoapReader(ReaderLimits limits) : state_(std::make_unique<State>())
{
    state_->limits = limits;
    state_->parser = XML_ParserCreateNS(nullptr, NamespaceSeparator);
    if (!state_->parser) throw std::bad_alloc();
    XML_SetUserData(state_->parser, state_.get());
    XML_SetElementHandler(state_->parser, State::startElement, State::endElement);
    XML_SetCharacterDataHandler(state_->parser, State::characters);
    XML_SetCommentHandler(state_->parser, State::comment);
    XML_SetProcessingInstructionHandler(state_->parser, State::instruction);
    XML_SetStartDoctypeDeclHandler(state_->parser, State::doctype);
    XML_SetEntityDeclHandler(state_->parser, State::entityDeclaration);
    XML_SetParamEntityParsing(state_->parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

SoapReader::~SoapReader()
{
    XML_ParserFree(state_->parser);
}

void SoapReader::setTableNames(std::set<std::string> names) { state_->tableNames = std::move(names); }
void SoapReader::setRowHook(RowHook hook) { state_->rowHook = std::move(hook); }
void SoapReader::setTableHook(TableHook hook) { state_->tableHook = std::move(hook); }

bool SoapReader::feed(std::string_view bytes)
{
    State& s = *state_;
    if (!s.error.empty()) return false;
    s.received += bytes.size();
    if (s.received > s.limits.maxMessageBytes) {
        s.error = "the message is larger than " + std::to_string(s.limits.maxMessageBytes) + " bytes";
        return false;
    }
    // Parts of a bounded size, so that a token growing beyond its ceiling is seen early.
    const std::size_t part = std::max<std::size_t>(s.tokenCeiling(), 64 * 1024);
    try {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), part);
            s.fed += n;
            if (XML_Parse(s.parser, bytes.data(), static_cast<int>(n), XML_FALSE) != XML_STATUS_OK) {
                if (s.error.empty())
                    s.error = std::string(XML_ErrorString(XML_GetErrorCode(s.parser))) + " at line " +
                              std::to_string(XML_GetCurrentLineNumber(s.parser)) + ", column " +
                              std::to_string(XML_GetCurrentColumnNumber(s.parser) + 1);
                return false;
            }
            if (s.fed - std::min(s.fed, s.eventEnd) > s.tokenCeiling()) {
                s.error = "a part of the message is longer than " + std::to_string(s.limits.maxValueBytes) + " bytes";
                return false;
            }
            bytes.remove_prefix(n);
        }
    } catch (const std::exception& e) {
        // Rows could not be kept (the temporary file for large tables could not be written).
        s.error = e.what();
        return false;
    }
    return true;
}

bool SoapReader::finish()
{
    State& s = *state_;
    if (!s.error.empty()) return false;
    try {
        if (XML_Parse(s.parser, nullptr, 0, XML_TRUE) != XML_STATUS_OK) {
            if (s.error.empty())
                s.error = XML_GetErrorCode(s.parser) == XML_ERROR_NO_ELEMENTS
                              ? std::string("the message ended before it was complete")
                              : std::string(XML_ErrorString(XML_GetErrorCode(s.parser)));
            return false;
        }
    } catch (const std::exception& e) {
        s.error = e.what();
        return false;
    }
    if (s.kind == Kind::Unknown) {
        s.error = "the message holds neither a function nor a fault";
        return false;
    }
    return true;
}

const std::string& SoapReader::error() const { return state_->error; }
SoapReader::Kind SoapReader::kind() const { return state_->kind; }
const std::string& SoapReader::function() const { return state_->function; }
const Fault& SoapReader::fault() const { return state_->fault; }

rfc::FunctionCall SoapReader::takeCall()
{
    rfc::FunctionCall call;
    call.name = state_->function;
    call.parameters = std::move(state_->parameters);
    call.tables = std::move(state_->tables);
    for (auto& [name, structure] : state_->structures)
        for (auto& [component, value] : structure) call.parameters[name + '-' + component] = std::move(value);
    return call;
}

rfc::FunctionResult SoapReader::takeResult()
{
    rfc::FunctionResult result;
    result.parameters = std::move(state_->parameters);
    result.structures = std::move(state_->structures);
    result.tables = std::move(state_->tables);
    return result;
}

} // namespace soap
