#pragma once
// Writing the SOAP messages of SAP's RFC service /sap/bc/soap/rfc: the request of one function call
// (client side) and its answer or fault (server side). Plain C++, shared by the SOAP transport and
// qvor-demo-server, so both speak exactly the same dialect.
//
//   <SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"><SOAP-ENV:Body>
//   <rfc:RFC_READ_TABLE xmlns:rfc="urn:sap-com:document:sap:rfc:functions">
//   <QUERY_TABLE>T000</QUERY_TABLE><OPTIONS><item><TEXT>MANDT = '000'</TEXT></item></OPTIONS><DATA/>
//   </rfc:RFC_READ_TABLE></SOAP-ENV:Body></SOAP-ENV:Envelope>
//
// Answers name the function element "<function>.Response". Every element name has "/" written "_-".
#include "rfc/RfcData.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace soap {

inline constexpr std::string_view EnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view RfcNamespace = "urn:sap-com:document:sap:rfc:functions";

// "/BIC/QI6" <-> "_-BIC_-QI6".
std::string elementName(std::string_view sapName);
std::string sapName(std::string_view elementName);

// Appends text with the characters XML cannot carry as they stand written as references. CR and
// TAB survive a parser only as references; other control characters have no XML form at all and
// become U+FFFD.
void appendEscaped(std::string& out, std::string_view text);

// The whole request of one call. Every table of the call is written, empty ones too, because SAP
// answers only the tables it was sent.
std::string requestMessage(const rfc::FunctionCall& call);

// A fault as SAP answers an ABAP exception (sent with HTTP status 500): faultstring and the
// detail's Name carry the exception name, Text the optional message.
std::string faultMessage(std::string_view function, std::string_view exception, std::string_view text);

// The answer of a successful call, written piece by piece so that a million rows never sit in
// memory as one text. Values lose their trailing blanks, as SAP's XML serialisation does for
// character fields.
class AnswerStream {
public:
    AnswerStream(std::string function, std::shared_ptr<const rfc::FunctionResult> result);
    ~AnswerStream();
    AnswerStream(const AnswerStream&) = delete;
    AnswerStream& operator=(const AnswerStream&) = delete;

    // Appends the next piece of at least about chunkBytes (less at the end); false once the whole
    // message has been written.
    bool next(std::string& out, std::size_t chunkBytes = 64 * 1024);

    // The whole answer at once (tests, small answers).
    static std::string whole(std::string function, const rfc::FunctionResult& result);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace soap
