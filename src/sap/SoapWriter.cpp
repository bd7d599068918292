#include "sap/SoapWriter.h"

#include <algorithm>
#include <vector>

namespace soap {
namespace {

constexpr std::string_view Head =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>";
constexpr std::string_view Tail = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

std::string_view withoutTrailingBlanks(std::string_view v)
{
    std::size_t n = v.size();
    while (n > 0 && v[n - 1] == ' ') --n;
    return v.substr(0, n);
}

void appendElement(std::string& out, std::string_view name, std::string_view value)
{
    const std::string tag = elementName(name);
    if (value.empty()) {
        out += '<';
        out += tag;
        out += "/>";
        return;
    }
    out += '<';
    out += tag;
    out += '>';
    appendEscaped(out, value);
    out += "</";
    out += tag;
    out += '>';
}

void appendFunctionStart(std::string& out, std::string_view element)
{
    out += "<rfc:";
    out += element;
    out += " xmlns:rfc=\"";
    out += RfcNamespace;
    out += "\">";
}

void appendFunctionEnd(std::string& out, std::string_view element)
{
    out += "</rfc:";
    out += element;
    out += '>';
}

void appendRow(std::string& out, const std::vector<std::string>& columns, const rfc::RowList::Row& row, bool trim)
{
    out += "<item>";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::string_view v = c < row.size() ? std::string_view(row[c]) : std::string_view();
        appendElement(out, columns[c], trim ? withoutTrailingBlanks(v) : v);
    }
    out += "</item>";
}

} // namespace

std::string elementName(std::string_view sapName)
{
    std::string out;
    out.reserve(sapName.size() + 4);
    for (char c : sapName) {
        if (c == '/') out += "_-";
        else out += c;
    }
    return out;
}

std::string sapName(std::string_view elementName)
{
    std::string out;
    out.reserve(elementName.size());
    for (std::size_t i = 0; i < elementName.size(); ++i) {
        if (elementName[i] == '_' && i + 1 < elementName.size() && elementName[i + 1] == '-') {
            out += '/';
            ++i;
        } else {
            out += elementName[i];
        }
    }
    return out;
}

namespace {

constexpr const char* Replacement = "\xEF\xBF\xBD";

// The UTF-8 sequence at i: its length (1 when it is broken) and whether XML can carry its
// character (not a surrogate, U+FFFE or U+FFFF).
struct Sequence {
    std::size_t length;
    bool allowed;
};

Sequence sequenceAt(std::string_view text, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = b(i);
    const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > text.size()) return {1, false};
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return {1, false};
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[n] || cp > 0x10FFFF) return {1, false};
    return {n, !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF};
}

} // namespace

void appendEscaped(std::string& out, std::string_view text)
{
    std::size_t plain = 0;   // start of the run not yet copied
    auto flush = [&](std::size_t upTo) { out.append(text.data() + plain, upTo - plain); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const Sequence seq = sequenceAt(text, i);
            if (!seq.allowed) {
                flush(i);
                out += Replacement;   // one per character, or per byte that belongs to none
                plain = i + seq.length;
            }
            i += seq.length - 1;
            continue;
        }
        const char* ref = nullptr;
        switch (c) {
        case '&': ref = "&amp;"; break;
        case '<': ref = "&lt;"; break;
        case '>': ref = "&gt;"; break;
        case '\r': ref = "&#13;"; break;
        case '\t': ref = "&#9;"; break;
        case '\n': break;
        default:
            if (c < 0x20) ref = Replacement;
            break;
        }
        if (!ref) continue;
        flush(i);
        out += ref;
        plain = i + 1;
    }
    flush(text.size());
}

std::string requestMessage(const rfc::FunctionCall& call)
{
    const std::string element = elementName(call.name);
    std::string out(Head);
    appendFunctionStart(out, element);
    for (const auto& [name, value] : call.parameters) appendElement(out, name, value);
    for (const auto& [name, table] : call.tables) {
        const std::string tag = elementName(name);
        if (table.rows.empty()) {
            out += '<' + tag + "/>";
            continue;
        }
        out += '<' + tag + '>';
        for (const auto& row : table.rows) appendRow(out, table.columns, row, false);
        out += "</" + tag + '>';
    }
    appendFunctionEnd(out, element);
    out += Tail;
    return out;
}

std::string faultMessage(std::string_view function, std::string_view exception, std::string_view text)
{
    std::string out(Head);
    out += "<SOAP-ENV:Fault><faultcode>";
    // A fault without an exception is the request's own fault (it could not be read).
    out += exception.empty() ? "SOAP-ENV:Client" : "SOAP-ENV:Server";
    out += "</faultcode><faultstring>";
    appendEscaped(out, exception.empty() ? text : exception);
    out += "</faultstring>";
    if (!exception.empty()) {
        const std::string element = function.empty() ? std::string("Exception") : elementName(function) + ".Exception";
        out += "<detail>";
        appendFunctionStart(out, element);
        appendElement(out, "Name", exception);
        if (!text.empty()) appendElement(out, "Text", text);
        appendFunctionEnd(out, element);
        out += "</detail>";
    }
    out += "</SOAP-ENV:Fault>";
    out += Tail;
    return out;
}

struct AnswerStream::State {
    std::string element;
    std::shared_ptr<const rfc::FunctionResult> result;
    enum class Step { Head, Scalars, Tables, Tail, Done } step = Step::Head;
    // Smaller tables first: a reader then knows FIELDS (the layout) before the DATA lines arrive.
    std::vector<std::map<std::string, rfc::Table>::const_iterator> order;
    std::size_t table = 0;
    bool inTable = false;
    rfc::RowList::const_iterator row;
};

AnswerStream::AnswerStream(std::string function, std::shared_ptr<const rfc::FunctionResult> result)
    : state_(std::make_unique<State>())
{
    state_->element = elementName(function) + ".Response";
    state_->result = std::move(result);
}

AnswerStream::~AnswerStream() = default;

bool AnswerStream::next(std::string& out, std::size_t chunkBytes)
{
    State& s = *state_;
    const rfc::FunctionResult& r = *s.result;
    const std::size_t limit = out.size() + chunkBytes;
    while (out.size() < limit) {
        switch (s.step) {
        case State::Step::Head:
            out += Head;
            appendFunctionStart(out, s.element);
            s.step = State::Step::Scalars;
            break;
        case State::Step::Scalars:
            for (const auto& [name, value] : r.parameters) appendElement(out, name, withoutTrailingBlanks(value));
            for (const auto& [name, structure] : r.structures) {
                const std::string tag = elementName(name);
                out += '<' + tag + '>';
                for (const auto& [component, value] : structure)
                    appendElement(out, component, withoutTrailingBlanks(value));
                out += "</" + tag + '>';
            }
            for (auto it = r.tables.begin(); it != r.tables.end(); ++it) s.order.push_back(it);
            std::stable_sort(s.order.begin(), s.order.end(),
                             [](const auto& a, const auto& b) { return a->second.rows.size() < b->second.rows.size(); });
            s.table = 0;
            s.step = State::Step::Tables;
            break;
        case State::Step::Tables: {
            if (s.table == s.order.size()) {
                s.step = State::Step::Tail;
                break;
            }
            const std::string tag = elementName(s.order[s.table]->first);
            const rfc::Table& table = s.order[s.table]->second;
            if (!s.inTable) {
                if (table.rows.empty()) {
                    out += '<' + tag + "/>";
                    ++s.table;
                    break;
                }
                out += '<' + tag + '>';
                s.inTable = true;
                s.row = table.rows.begin();
            }
            const auto end = table.rows.end();
            while (s.row != end && out.size() < limit) {
                appendRow(out, table.columns, *s.row, true);
                ++s.row;
            }
            if (s.row == end) {
                out += "</" + tag + '>';
                s.inTable = false;
                ++s.table;
            }
            break;
        }
        case State::Step::Tail:
            appendFunctionEnd(out, s.element);
            out += Tail;
            s.step = State::Step::Done;
            return true;
        case State::Step::Done:
            return false;
        }
    }
    return true;
}

std::string AnswerStream::whole(std::string function, const rfc::FunctionResult& result)
{
    // The stream only reads the result; the copy-free shared pointer does not own it.
    AnswerStream stream(std::move(function), std::shared_ptr<const rfc::FunctionResult>(&result, [](const auto*) {}));
    std::string out;
    while (stream.next(out)) {
    }
    return out;
}

} // namespace soap
